#include "ComPort.h"
#include "JobResultText.h"
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
#include <QStatusBar>
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

const QString TryingAgain = QStringLiteral("Error. Trying to update again");
const QString Full = QStringLiteral("|||||||||| 100%");

enum class Job { Update, UpdateThenCalibrate, Calibrate };

// A current meter. It answers the status question at once, which keeps scan passes short,
// and boots its firmware 250 ms after a calibration's final reset: later than the job's next
// frame after a reset, earlier than the end of the calibration's ticks at ShortTiming.
DeviceProfile meter(quint32 serialNumber = 100001, const QSet<QByteArray> &unanswered = {})
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.serialNumber = serialNumber;
    profile.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    profile.bootDelayMs = 250;
    profile.unanswered = unanswered;
    return profile;
}

QStatusBar *statusBar(const Zelkor &window)
{
    return window.findChild<QStatusBar *>(QStringLiteral("statusBar"));
}

int stateOf(const Zelkor &window, int port)
{
    return row(window, port)->data(0, RowStateRole).toInt();
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
// order, and the status bar's messages. Some stand for a moment only; polling would miss them.
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
// text, nothing when it asked none.
QString answering(bool quit, const std::function<void()> &action)
{
    QString asked;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        asked = box->text();
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

Q_DECLARE_METATYPE(Job)

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
    // The window on the bench's devices, a ten-line firmware file in its field, the rows given
    // selected.
    static Zelkor *openWithFirmware(Bench &bench, const QList<int> &selected)
    {
        Zelkor *window = bench.open(bench.file("firmware.cod", TestFirmware::tenLines()));
        for (int port : selected)
            row(*window, port)->setSelected(true);
        return window;
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
    Zelkor *window = openWithFirmware(bench, {1, 2});
    QVERIFY(window);
    RowHistory history(*window);

    // Ticks start the passes: the event loop must run while the test waits for the next one.
    const int logged = bench.device(1)->log().size();
    QVERIFY(QTest::qWaitFor([&] { return bench.device(1)->log().size() > logged; }, ListTimeoutMs));
    const Clock::time_point pressed = Clock::now();
    press(*window, Job::Update);
    QCOMPARE(stateOf(*window, 1), int(RowBusy));
    QCOMPARE(stateOf(*window, 2), int(RowBusy));
    QCOMPARE(workers(*window).size(), 2);
    QVERIFY(!jobControlsEnabled(*window));

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    const Clock::time_point ended = Clock::now();
    QCOMPARE(history.messages, QStringList());
    for (int port = 1; port <= 2; ++port) {
        QCOMPARE(history.states[port].mid(0, 2), (QList<int> {RowBusy, RowDone}));
        QVERIFY(history.statuses[port].contains("|||||||| 85%"));
        QVERIFY(history.statuses[port].contains(Full));
        // The next accepted scan rebuilds the done row, with the version the simulated loader
        // reports after booting the job's firmware.
        QTRY_COMPARE_WITH_TIMEOUT(row(*window, port) ? row(*window, port)->text(3) : QString(),
                                  QStringLiteral("3.1.4"), ListTimeoutMs);
        QCOMPARE(stateOf(*window, port), int(RowScanned));
    }

    // From the job's first frame to the window's check the port heard nothing but the job;
    // both jobs ran side by side while the scan went on over the third device.
    const QStringList loaderFrames {"RESET", "CONNECT", "NEW SECTION", "WRITE DATA", "DISCONNECT"};
    QList<Clock::time_point> firstFrame, check;
    for (int port = 1; port <= 2; ++port) {
        const QList<WireRecord> records = bench.device(port)->log().records();
        const auto first = std::find_if(records.cbegin(), records.cend(), [&](auto &record) {
            return record.received >= pressed && record.request == QLatin1String("RESET");
        });
        const auto probe = std::find_if(first, records.cend(), [](auto &record) {
            return record.request == QLatin1String("1g");
        });
        QVERIFY(probe != records.cend() && probe->received <= ended);
        for (auto it = first; it != probe; ++it)
            QVERIFY2(loaderFrames.contains(it->request), qPrintable(it->request));
        firstFrame.append(first->received);
        check.append(probe->received);
    }
    QVERIFY(firstFrame[0] < check[1] && firstFrame[1] < check[0]);
    QVERIFY(requestsBetween(*bench.device(3), firstFrame[0], check[0]).count("1g") >= 2);
}

void tst_WindowJobs::jobEnds_data()
{
    QTest::addColumn<Job>("job");
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<QString>("message"); // in the status bar; empty: none
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("state");
    // Status questions the port heard before the job was over: the window's check.
    QTest::addColumn<int>("checks");

    const QList<DeviceFault> none;
    QTest::newRow("update then calibrate")
        << Job::UpdateThenCalibrate << meter() << none << QString() << Full << int(RowScanned)
        << 1;
    QTest::newRow("calibrate") << Job::Calibrate << meter() << none << QString() << Full
                               << int(RowScanned) << 0;
    // The update's outcome settles the row; the calibration's failure text stays.
    QTest::newRow("update done, calibration after it fails")
        << Job::UpdateThenCalibrate << meter(100001, {"save"}) << none
        << "Can't execute command SAVE" << "Calibration was cancelled" << int(RowDone) << 1;
    QTest::newRow("unplugged after the update")
        << Job::Update << meter() << QList<DeviceFault> {DeviceFault::on("RESET", DeviceFault::Unplug, 1)}
        << QString() << "Please reconnect device" << int(RowFailed) << 0;
    QTest::newRow("update fails")
        << Job::Update << meter()
        << QList<DeviceFault> {DeviceFault::on("CONNECT", DeviceFault::BadStatus, 0, 5)}
        << "Can't execute command CONNECT" << "Firmware update was cancelled" << int(RowFailed)
        << 0;
}

// A real job on one device, to its end: what the status bar said, the row's text and state,
// whether the window checked the device afterwards.
void tst_WindowJobs::jobEnds()
{
    QFETCH(Job, job);
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(QString, message);
    QFETCH(QString, status);
    QFETCH(int, state);
    QFETCH(int, checks);

    Bench bench;
    SimulatedDevice *device = bench.add(1, profile, faults);
    QVERIFY(device);
    Zelkor *window = openWithFirmware(bench, {1});
    QVERIFY(window);
    RowHistory history(*window);
    window->findChild<QCheckBox *>("calbAfterChk")->setChecked(job == Job::UpdateThenCalibrate);

    const Clock::time_point pressed = Clock::now();
    press(*window, job);
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
    Zelkor *window = openWithFirmware(bench, {1});
    QVERIFY(window);
    RowHistory history(*window);

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
    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    QCOMPARE(disposed, 1);
    QCOMPARE(stateOf(*window, 1), int(RowDone));
    // The whole update ran twice, each time followed by the window's check.
    QCOMPARE(device->log().requests().count("DISCONNECT"), 2);
    const QStringList &statuses = history.statuses[1];
    const QStringList afterRepeat = statuses.mid(statuses.indexOf(TryingAgain));
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
    Zelkor *window = openWithFirmware(bench, {1});
    QVERIFY(window);
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
    RowHistory history(*window);
    row(*window, 1)->setSelected(true);
    press(*window, Job::Update);
    QVERIFY(jobControlsEnabled(*window));
    QCOMPARE(stateOf(*window, 1), int(RowScanned));

    window->findChild<QLineEdit *>("filenameEdit")
        ->setText(bench.file("firmware.cod", TestFirmware::tenLines()));
    // As a pass that no longer finds the device would deliver it.
    window->add_items({}, {});
    QVERIFY(!row(*window, 1) && jobControlsEnabled(*window));
    press(*window, Job::Update);
    QVERIFY(!jobControlsEnabled(*window));
    statusBar(*window)->clearMessage();
    window->Calibrate();
    QCOMPARE(history.messages,
             (QStringList {"Firmware file not found", "Device is not selected",
                           "Device is not selected"}));
    QVERIFY(workers(*window).isEmpty());
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
    Zelkor *window = openWithFirmware(bench, {1});
    QVERIFY(window);
    ProtocolTiming::setScale(1e6);

    press(*window, Job::Update);
    QCOMPARE(workers(*window).size(), 1);
    UpdateThread *first = workers(*window).first();
    clickRow(*window, 2);
    // The busy row still calls itself selected: the next rebuild enables the controls.
    QTRY_VERIFY_WITH_TIMEOUT(jobControlsEnabled(*window), ListTimeoutMs);
    press(*window, Job::Calibrate);
    QCOMPARE(workers(*window).size(), 2);
    QVERIFY(workers(*window).contains(first));
    // The request after which each job waits.
    const QStringList waitsAfter {"RESET", "calb"};
    for (int port = 1; port <= 2; ++port) {
        QTRY_VERIFY_WITH_TIMEOUT(
            bench.device(port)->log().requests().contains(waitsAfter[port - 1]), JobTimeoutMs);
    }

    if (close) {
        QCOMPARE(answering(false, [window] { window->close(); }),
                 QStringLiteral("2 devices are still being updated or calibrated."));
        QVERIFY(window->isVisible());
        QCOMPARE(workers(*window).size(), 2);
        QVERIFY(!answering(true, [window] { window->close(); }).isEmpty());
        QVERIFY(!window->isVisible());
        QVERIFY(workers(*window).isEmpty());
    }
    QCOMPARE(answering(true, [&bench] { bench.close(); }), QString());

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
    QVERIFY(ScratchDirectory::storedSettings().contains("window"));
}

void tst_WindowJobs::progressShown_data()
{
    QTest::addColumn<int>("percents");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("quietPeriod"); // the scan leaves the list alone for a while

    QTest::newRow("calibration step") << 205 << int(RowBusy) << false;
    QTest::newRow("update failure") << -4 << int(RowFailed) << false;
    QTest::newRow("calibration failure") << -206 << int(RowWarned) << true;
    // Outside the table, beyond the calibration codes: the state only.
    QTest::newRow("-210") << -210 << int(RowWarned) << true;
}

// The texts come from the code -> text table, which has a test of its own.
void tst_WindowJobs::progressShown()
{
    QFETCH(int, percents);
    QFETCH(int, state);
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
    const QString message = JobResultText::message(percents);
    const QString shown =
        percents < 0 ? JobResultText::rowText(percents) : JobResultText::progress(percents);
    QCOMPARE(item->text(4), shown.isEmpty() ? QStringLiteral("before") : shown);
    QCOMPARE(item->data(0, RowStateRole).toInt(), state);
    QCOMPARE(history.messages, message.isEmpty() ? QStringList() : QStringList {message});
    QCOMPARE(window->withinQuietPeriod(), quietPeriod);
    QVERIFY(!window->busy);
}

QTEST_MAIN(tst_WindowJobs)
#include "tst_windowjobs.moc"
