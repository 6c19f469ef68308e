#include "ComPort.h"
#include "MessageLog.h"
#include "ProtocolTiming.h"
#include "RowState.h"
#include "TestFirmware.h"
#include "UpdateThread.h"
#include "WindowBench.h"
#include "crc16.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <functional>

using namespace WindowBench;

namespace {

using Clock = std::chrono::steady_clock;

// Jobs and the window's check, sanitizers included, take a few seconds at most.
constexpr int JobTimeoutMs = 30000;
// Pauses and ticks at a tenth: an update takes about a second.
constexpr double ShortTiming = 0.1;

const QString FileNotFound = QStringLiteral("Firmware file not found");
const QString NotSelected = QStringLiteral("Device is not selected");
const QString TryingAgain = QStringLiteral("Error. Trying to update again");
const QString UpdateCancelled = QStringLiteral("Firmware update was cancelled");
const QString CalibrationCancelled = QStringLiteral("Calibration was cancelled");
const QString Full = QStringLiteral("|||||||||| 100%");

enum class Job { Update, UpdateThenCalibrate, Calibrate };

// A current meter. It answers the status question at once, which keeps scan passes short,
// and boots its firmware 250 ms after a calibration's final reset: later than the job's next
// frame after a reset, earlier than the end of the calibration's ticks at ShortTiming.
DeviceProfile meter(quint32 serialNumber = 100001)
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.serialNumber = serialNumber;
    profile.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    profile.bootDelayMs = 250;
    return profile;
}

// One device and the job run on it.
struct JobSetup
{
    Job job = Job::Update;
    DeviceProfile profile = meter();
    QList<DeviceFault> faults;
    // The firmware file's contents; empty: the field keeps the start-up prompt.
    QByteArray file = TestFirmware::tenLines();
    bool fileIsFolder = false;
    // The device is gone when the job starts, its row still listed.
    bool unplugged = false;
};

// An update on a loader that refuses the request `skip` times on, `times` times.
JobSetup refusing(const QString &request, int skip = 0, int times = 1)
{
    JobSetup setup;
    setup.faults = {DeviceFault::on(request, DeviceFault::BadStatus, skip, times)};
    return setup;
}

// A calibration reads no firmware file.
JobSetup calibrating(const QSet<QByteArray> &unanswered, Job job = Job::Calibrate)
{
    JobSetup setup;
    setup.job = job;
    setup.profile.unanswered = unanswered;
    if (job == Job::Calibrate)
        setup.file.clear();
    return setup;
}

// The window on the bench's devices, a ten-line firmware file in its field.
Zelkor *openWithFirmware(Bench &bench)
{
    return bench.open(bench.file(QStringLiteral("firmware.cod"), TestFirmware::tenLines()));
}

int stateOf(const Zelkor &window, int port)
{
    return row(window, port)->data(0, RowStateRole).toInt();
}

void select(const Zelkor &window, const QList<int> &ports)
{
    for (int port : ports)
        row(window, port)->setSelected(true);
}

void press(const Zelkor &window, Job job)
{
    QTest::mouseClick(button(window, job == Job::Calibrate ? "calbBtn" : "updateBtn"),
                      Qt::LeftButton);
}

void clickRow(const Zelkor &window, int port)
{
    QTreeWidget *tree = deviceList(window);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(row(window, port)).center());
}

// Requests that reached the device in the time span, ends included.
QStringList requestsBetween(const SimulatedDevice &device, Clock::time_point from,
                            Clock::time_point to)
{
    QStringList requests;
    for (const WireRecord &record : device.log().records()) {
        if (record.received >= from && record.received <= to)
            requests.append(record.request);
    }
    return requests;
}

// Everything the window showed while the test watched: each row's states and Status texts in
// order, and the status bar's messages. "Error. Trying to update again" or a failure message
// may stand for a moment only; polling the widgets would miss it.
class RowHistory : public QObject
{
public:
    explicit RowHistory(const Zelkor &window)
    {
        QTreeWidget *tree = deviceList(window);
        connect(tree->model(), &QAbstractItemModel::dataChanged, this,
                [this, tree](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                    for (int index = topLeft.row(); index <= bottomRight.row(); ++index) {
                        if (const QTreeWidgetItem *item = tree->topLevelItem(index)) {
                            const int port = PortNameMap::portNumber(item->text(0));
                            note(states[port], item->data(0, RowStateRole).toInt());
                            note(statuses[port], item->text(4));
                        }
                    }
                });
        connect(statusBar(window), &QStatusBar::messageChanged, this,
                [this](const QString &message) {
                    if (!message.isEmpty())
                        messages.append(message);
                });
    }

    QHash<int, QList<int>> states;
    QHash<int, QStringList> statuses;
    QStringList messages;

private:
    template<typename T> static void note(QList<T> &shown, const T &value)
    {
        if (shown.isEmpty() || shown.last() != value)
            shown.append(value);
    }
};

// Does what closes the window, answering its question on quitting as soon as it is up: its
// texts, nothing when it asked none.
QStringList answering(bool quit, const std::function<void()> &action)
{
    QStringList asked;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        asked = QStringList {box->text(), box->informativeText()};
        if (!quit)
            QTest::keyClick(box, Qt::Key_Return); // the default answer
        for (QAbstractButton *choice : box->buttons()) {
            if (quit && choice->text() == QLatin1String("Quit anyway"))
                choice->click();
        }
    });
    poll.start(20);
    action();
    return asked;
}

} // namespace

Q_DECLARE_METATYPE(JobSetup)

class tst_WindowJobs : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void twoDevicesAtOnce();
    void jobEnds_data();
    void jobEnds();
    void updateRepeated();
    void pressAfterFailedJob();
    void refusedJobs();
    void closingWithJobs_data();
    void closingWithJobs();
    void progressShown_data();
    void progressShown();

private:
    static QList<UpdateThread *> workers(const Zelkor &window)
    {
        return window.runningJobs.values();
    }
};

void tst_WindowJobs::init()
{
    ProtocolTiming::setScale(ShortTiming);
    ProtocolTiming::setTimeoutScale(1.0);
}

// Two updates side by side while the scan goes on over a third device. The first job takes its
// port while the scan is in the middle of an exchange with the device.
void tst_WindowJobs::twoDevicesAtOnce()
{
    // Long enough for several scan passes while the jobs run.
    ProtocolTiming::setScale(0.3);
    Bench bench;
    DeviceProfile slow = meter(100001);
    // Slower than any exchange of the job, quicker than the scan's time-outs.
    slow.replyLatencyMs = 40;
    QVERIFY(bench.add(1, slow) && bench.add(2, meter(100002)) && bench.add(3, meter(100003)));
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    RowHistory history(*window);
    MessageLog messages;

    select(*window, {1, 2});
    // Ticks start the passes: the event loop must run while the test waits for the next one.
    const int logged = bench.device(1)->log().size();
    QVERIFY(QTest::qWaitFor([&] { return bench.device(1)->log().size() > logged; }, ListTimeoutMs));
    const Clock::time_point pressed = Clock::now();
    press(*window, Job::Update);

    QCOMPARE(stateOf(*window, 1), int(RowBusy));
    QCOMPARE(stateOf(*window, 2), int(RowBusy));
    QCOMPARE(workers(*window).size(), 2);
    QVERIFY(!jobControlsEnabled(*window));
    QCOMPARE(messages.count("UF started"), 1);
    QCOMPARE(messages.count("UF completed"), 1);

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    const Clock::time_point ended = Clock::now();
    QCOMPARE(history.messages, QStringList());
    for (int port = 1; port <= 2; ++port) {
        QCOMPARE(history.states[port].mid(0, 2), (QList<int> {RowBusy, RowDone}));
        const QStringList &statuses = history.statuses[port];
        QVERIFY(statuses.contains(" 8%") && statuses.contains("|||||||| 85%"));
        QVERIFY(statuses.contains(Full));
        // The next accepted scan rebuilds the done row, with the version the simulated loader
        // reports after booting the job's firmware.
        QTRY_COMPARE_WITH_TIMEOUT(row(*window, port) ? row(*window, port)->text(3) : QString(),
                                  QStringLiteral("3.1.4"), ListTimeoutMs);
        QCOMPARE(stateOf(*window, port), int(RowScanned));
    }
    QCOMPARE(row(*window, 3)->text(3), QStringLiteral("1.2.345"));

    // From the job's first frame to the window's check the port heard nothing but the job;
    // both jobs ran side by side while the scan went on over the third device.
    const QStringList loaderFrames {"RESET", "CONNECT", "NEW SECTION", "WRITE DATA", "DISCONNECT"};
    QList<Clock::time_point> firstFrame, check;
    for (int port = 1; port <= 2; ++port) {
        const QList<WireRecord> records = bench.device(port)->log().records();
        const auto first = std::find_if(records.cbegin(), records.cend(), [&](auto &record) {
            return record.received >= pressed && record.request == QLatin1String("RESET");
        });
        QVERIFY(first != records.cend());
        const auto probe = std::find_if(first, records.cend(), [](auto &record) {
            return record.request == QLatin1String("1g");
        });
        QVERIFY(probe != records.cend());
        for (auto it = first; it != probe; ++it)
            QVERIFY2(loaderFrames.contains(it->request), qPrintable(it->request));
        QVERIFY(probe->received <= ended);
        firstFrame.append(first->received);
        check.append(probe->received);
    }
    QVERIFY(firstFrame[0] < check[1] && firstFrame[1] < check[0]);
    const QStringList bystander = requestsBetween(*bench.device(3), firstFrame[0], check[0]);
    QVERIFY(bystander.count("1g") >= 2);
}

void tst_WindowJobs::jobEnds_data()
{
    QTest::addColumn<JobSetup>("setup");
    QTest::addColumn<QString>("message"); // in the status bar; empty: none
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("state");
    // Status questions the port heard before the job was over: the window's check.
    QTest::addColumn<int>("checks");

    JobSetup updateThenCalibrate;
    updateThenCalibrate.job = Job::UpdateThenCalibrate;
    QTest::newRow("update then calibrate")
        << updateThenCalibrate << QString() << Full << int(RowScanned) << 1;
    QTest::newRow("calibrate") << calibrating({}) << QString() << Full << int(RowScanned) << 0;
    // The update's outcome settles the row; the calibration's failure text stays.
    QTest::newRow("update done, calibration after it fails")
        << calibrating({"save"}, Job::UpdateThenCalibrate) << "Can't execute command SAVE"
        << CalibrationCancelled << int(RowDone) << 1;
    JobSetup unpluggedLater;
    unpluggedLater.faults = {DeviceFault::on("RESET", DeviceFault::Unplug, 1)};
    QTest::newRow("unplugged after the update")
        << unpluggedLater << QString() << "Please reconnect device" << int(RowFailed) << 0;

    // Each failure code from a real fault, where a job can meet it; no check follows.
    const auto fails = [](const char *code, const JobSetup &setup, const char *message) {
        const bool update = setup.job == Job::Update;
        QTest::newRow(code) << setup << QString(message)
                            << (update ? UpdateCancelled : CalibrationCancelled)
                            << int(update ? RowFailed : RowWarned) << 0;
    };
    JobSetup unplugged;
    unplugged.unplugged = true;
    fails("-1", unplugged, "Can'n open device");
    JobSetup folder;
    folder.fileIsFolder = true;
    fails("-2", folder, "Can'n open firmware file");
    JobSetup nineLines;
    nineLines.file = TestFirmware::tenLines().mid(10);
    fails("-3", nineLines, "Firmware file is corrupted");
    fails("-5", refusing("CONNECT", 0, 5), "Can't execute command CONNECT");
    fails("-6", refusing("DISCONNECT"), "Can't execute command DISCONNECT");
    fails("-7", refusing("NEW SECTION"), "Can't execute command NEW SECTION");
    fails("-8", refusing("WRITE DATA", 2), "Can't execute command WRITE DATA");
    fails("-200", calibrating({"scal", "s002"}), "Can't execute command SCAL");
    fails("-201", calibrating({"save"}), "Can't execute command SAVE");
    JobSetup noGeti = calibrating({});
    noGeti.profile.getiLength = 0;
    fails("-202", noGeti, "Can't execute command GETI");
    JobSetup noInit = calibrating({"init"});
    noInit.profile.calbNeedsInit = true;
    fails("-203", noInit, "Can't execute command CALIBRATE");
    fails("-204", calibrating({"rdan", "1234"}), "Can't execute command RDAN");
    JobSetup noPower = calibrating({});
    noPower.profile.measurements[4] = 49;
    fails("-207", noPower, "Please connect external power");
    fails("-208", calibrating({"gfwv", "g001"}), "Can't execute command GFWV");
}

// A real job on one device, to its end: what the status bar said, the row's text and state,
// whether the window checked the device afterwards.
void tst_WindowJobs::jobEnds()
{
    QFETCH(JobSetup, setup);
    QFETCH(QString, message);
    QFETCH(QString, status);
    QFETCH(int, state);
    QFETCH(int, checks);

    Bench bench;
    SimulatedDevice *device = bench.add(1, setup.profile, setup.faults);
    QVERIFY(device);
    QTemporaryDir folder;
    const QString file = setup.fileIsFolder ? folder.path()
        : setup.file.isEmpty()              ? QString()
                               : bench.file(QStringLiteral("firmware.cod"), setup.file);
    Zelkor *window = bench.open(file);
    QVERIFY(window);
    RowHistory history(*window);
    window->findChild<QCheckBox *>("calbAfterChk")
        ->setChecked(setup.job == Job::UpdateThenCalibrate);
    select(*window, {1});
    if (setup.unplugged) {
        // Without running the event loop, so that no rebuild drops the row meanwhile.
        device->unplug();
        QDeadlineTimer deadline(ListTimeoutMs);
        while (device->mode() != DeviceMode::Unplugged && !deadline.hasExpired())
            QThread::msleep(1);
    }

    const Clock::time_point pressed = Clock::now();
    press(*window, setup.job);
    QCOMPARE(workers(*window).size(), 1);
    // The worker goes at the very end of the job, before the port is handed back.
    Clock::time_point jobOver;
    connect(workers(*window).first(), &QObject::destroyed, this,
            [&jobOver] { jobOver = Clock::now(); });

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    QCOMPARE(history.messages, message.isEmpty() ? QStringList() : QStringList {message});
    QCOMPARE(row(*window, 1)->text(4), status);
    QCOMPARE(stateOf(*window, 1), state);
    QCOMPARE(requestsBetween(*device, pressed, jobOver).count("1g"), checks);
    // A done row can take no second job; any other row is usable again.
    QCOMPARE(jobControlsEnabled(*window), state != RowDone);
}

void tst_WindowJobs::updateRepeated()
{
    Bench bench;
    SimulatedDevice *device = bench.add(1, meter());
    QVERIFY(device);
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    RowHistory history(*window);
    MessageLog messages;

    select(*window, {1});
    press(*window, Job::Update);
    QCOMPARE(workers(*window).size(), 1);
    UpdateThread *worker = workers(*window).first();
    int disposed = 0;
    connect(worker, &QObject::destroyed, this, [&disposed] { ++disposed; });
    // The first check after the update finds the device asking for firmware: the 8-byte
    // answer to the status question.
    QByteArray asks("\0\0\0\0nn", 6);
    const quint16 sum = crc16(asks.constData(), unsigned(asks.size()));
    DeviceFault fault = DeviceFault::on("1g", DeviceFault::Garbage);
    fault.payload = asks.append(char(sum & 0xff)).append(char(sum >> 8));
    device->addFault(fault);

    QTRY_VERIFY_WITH_TIMEOUT(history.statuses[1].contains(TryingAgain), JobTimeoutMs);
    QCOMPARE(workers(*window), QList<UpdateThread *> {worker});
    QCOMPARE(disposed, 0);
    QString name;
    QDebug(&name).nospace() << worker;
    QCOMPARE(messages.count("Нужна повторная загрузка (поток) " + name), 1);
    QCOMPARE(messages.count("Повторный старт потока " + name), 1);

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    QCOMPARE(disposed, 1);
    QCOMPARE(stateOf(*window, 1), int(RowDone));
    // The whole update ran twice, each time followed by the window's check.
    QCOMPARE(device->log().requests().count("DISCONNECT"), 2);
    const QStringList &statuses = history.statuses[1];
    const QStringList afterRepeat = statuses.mid(statuses.indexOf(TryingAgain));
    QCOMPARE(afterRepeat.first(), TryingAgain);
    QVERIFY(afterRepeat.contains(" 8%"));
    QCOMPARE(afterRepeat.last(), Full);
    QCOMPARE(history.states[1].mid(0, 2), (QList<int> {RowBusy, RowDone}));
}

// A failed job leaves its row usable and still calling itself selected. Once the user selects
// another row, "Calibrate" starts a job on that row alone.
void tst_WindowJobs::pressAfterFailedJob()
{
    Bench bench;
    QVERIFY(bench.add(1, meter(100001), {DeviceFault::on("CONNECT", DeviceFault::BadStatus, 0, 5)})
            && bench.add(2, meter(100002)));
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    select(*window, {1});
    press(*window, Job::Update);
    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    QCOMPARE(stateOf(*window, 1), int(RowFailed));

    clickRow(*window, 2);
    QTRY_VERIFY_WITH_TIMEOUT(jobControlsEnabled(*window), ListTimeoutMs);
    const Clock::time_point pressed = Clock::now();
    press(*window, Job::Calibrate);
    QCOMPARE(workers(*window).size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(bench.device(2)->log().requests().contains("calb"), JobTimeoutMs);
    QVERIFY(!requestsBetween(*bench.device(1), pressed, Clock::now()).contains("calb"));
}

// The window refuses an update while the field holds the start-up prompt, and either job once
// the selected device has left the list (the rebuild leaves the controls enabled for it).
void tst_WindowJobs::refusedJobs()
{
    Bench bench;
    QVERIFY(bench.add(1, meter()));
    Zelkor *window = bench.open();
    QVERIFY(window);
    auto *field = window->findChild<QLineEdit *>("filenameEdit");
    QCOMPARE(field->text(), QStringLiteral("Please select firmware *.cod file"));
    RowHistory history(*window);
    MessageLog messages;
    select(*window, {1});
    press(*window, Job::Update);
    QCOMPARE(history.messages, QStringList {FileNotFound});
    QVERIFY(workers(*window).isEmpty());
    QVERIFY(jobControlsEnabled(*window));
    QCOMPARE(stateOf(*window, 1), int(RowScanned));
    QCOMPARE(messages.count("UF started"), 0);

    field->setText(bench.file(QStringLiteral("firmware.cod"), TestFirmware::tenLines()));
    // As a pass that no longer finds the device would deliver it.
    window->add_items({}, {});
    QVERIFY(!row(*window, 1) && jobControlsEnabled(*window));
    press(*window, Job::Update);
    QCOMPARE(statusBar(*window)->currentMessage(), NotSelected);
    QVERIFY(!jobControlsEnabled(*window));
    statusBar(*window)->clearMessage();
    window->Calibrate();
    QCOMPARE(history.messages, (QStringList {FileNotFound, NotSelected, NotSelected}));
    QVERIFY(workers(*window).isEmpty());
    for (const char *line : {"UF started", "UF completed", "CALB started", "CALB completed"})
        QCOMPARE(messages.count(line), 1);
}

void tst_WindowJobs::closingWithJobs_data()
{
    QTest::addColumn<bool>("close"); // false: the window is destroyed without being closed
    QTest::newRow("closed") << true;
    QTest::newRow("destroyed") << false;
}

// An update runs on the first device when the user selects the second one and presses
// "Calibrate": that row alone gets a job. The window goes while both jobs wait in pauses that
// last for days.
void tst_WindowJobs::closingWithJobs()
{
    QFETCH(bool, close);

    Bench bench;
    QVERIFY(bench.add(1, meter(100001)) && bench.add(2, meter(100002)));
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    MessageLog messages;
    ProtocolTiming::setScale(1e6);

    select(*window, {1});
    press(*window, Job::Update);
    QCOMPARE(workers(*window).size(), 1);
    UpdateThread *first = workers(*window).first();
    clickRow(*window, 2);
    // The busy row still calls itself selected: the next rebuild enables the controls.
    QTRY_VERIFY_WITH_TIMEOUT(jobControlsEnabled(*window), ListTimeoutMs);
    press(*window, Job::Calibrate);
    QCOMPARE(messages.count("CALB started"), 1);
    QCOMPARE(workers(*window).size(), 2);
    QVERIFY(workers(*window).contains(first));
    // The request after which each job waits.
    const QStringList waitsAfter {"RESET", "calb"};
    for (int port = 1; port <= 2; ++port) {
        QTRY_VERIFY_WITH_TIMEOUT(
            bench.device(port)->log().requests().contains(waitsAfter[port - 1]), JobTimeoutMs);
    }

    if (close) {
        const QStringList asked = answering(false, [window] { window->close(); });
        QCOMPARE(asked.value(0),
                 QStringLiteral("2 devices are still being updated or calibrated."));
        QVERIFY(asked.value(1).contains("without firmware"));
        QVERIFY(window->isVisible());
        QCOMPARE(workers(*window).size(), 2);
        QVERIFY(!answering(true, [window] { window->close(); }).isEmpty());
        QVERIFY(!window->isVisible());
        QVERIFY(workers(*window).isEmpty());
    }
    QCOMPARE(answering(true, [&bench] { bench.close(); }), QStringList());

    // The jobs ended where they were: no device heard another request, and each port is
    // free again.
    QTest::qWait(200);
    for (int port = 1; port <= 2; ++port) {
        const QStringList requests = bench.device(port)->log().requests();
        const QString last = waitsAfter[port - 1];
        QCOMPARE(requests.mid(requests.lastIndexOf(last)), QStringList {last});
        QVERIFY(!bench.device(port)->state().saved);
        ComPort other;
        QVERIFY(other.open(SimulatedPorts::portNameBytes(port).constData(), false));
    }
    QVERIFY(!messages.contains("Destroyed while thread is still running"));
    QVERIFY(ScratchDirectory::storedSettings().contains("window"));
}

void tst_WindowJobs::progressShown_data()
{
    QTest::addColumn<int>("percents");
    QTest::addColumn<QString>("status"); // "before": unchanged
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("message"); // empty: none
    // The scan leaves the list alone for a while.
    QTest::addColumn<bool>("quietPeriod");

    const int busy = RowBusy;
    // Real updates and calibrations show the rest of the bars.
    QTest::newRow("101") << 101 << "before" << busy << QString() << false;
    QTest::newRow("205") << 205 << "||| 25%" << busy << QString() << false;
    // No step of the worker produces these, or only when the line fails in mid-write.
    QTest::newRow("-4") << -4 << UpdateCancelled << int(RowFailed) << "Can't execute command RESET"
                        << false;
    QTest::newRow("-205") << -205 << CalibrationCancelled << int(RowWarned)
                          << "Can't execute command RESET" << true;
    QTest::newRow("-206") << -206 << CalibrationCancelled << int(RowWarned)
                          << "Can't execute command GETS" << true;
    QTest::newRow("-209") << -209 << CalibrationCancelled << int(RowWarned) << "Can't set timeout"
                          << true;
    // Outside the table, on either side of the calibration codes: the state only.
    QTest::newRow("-199") << -199 << "before" << int(RowFailed) << QString() << false;
    QTest::newRow("-210") << -210 << "before" << int(RowWarned) << QString() << true;
}

void tst_WindowJobs::progressShown()
{
    QFETCH(int, percents);
    QFETCH(QString, status);
    QFETCH(int, state);
    QFETCH(QString, message);
    QFETCH(bool, quietPeriod);

    Bench bench;
    Zelkor *window = bench.open();
    QVERIFY(window);
    RowHistory history(*window);
    // On a port no simulated device uses.
    const QString location = PortNameMap::portName(9);
    auto *item = new QTreeWidgetItem(deviceList(*window), {location, "", "", "", "before"});
    window->setRowState(item, RowBusy);

    window->updateProgress(location, percents);
    QCOMPARE(item->text(4), status);
    QCOMPARE(item->data(0, RowStateRole).toInt(), state);
    QCOMPARE(history.messages, message.isEmpty() ? QStringList() : QStringList {message});
    QCOMPARE(window->withinQuietPeriod(), quietPeriod);
    QVERIFY(!window->busy);
}

QTEST_MAIN(tst_WindowJobs)
#include "tst_windowjobs.moc"
