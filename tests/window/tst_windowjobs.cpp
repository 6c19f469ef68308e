#include "ComPort.h"
#include "JobBench.h"
#include "MessageLog.h"
#include "RowHistory.h"
#include "TestFirmware.h"
#include "UpdateThread.h"
#include "WindowBench.h"
#include "crc16.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace JobBench;
using namespace WindowBench;

namespace {

const QString Prompt = QStringLiteral("Please select firmware *.cod file");
const QString FileNotFound = QStringLiteral("Firmware file not found");
const QString NotSelected = QStringLiteral("Device is not selected");
const QString TryingAgain = QStringLiteral("Error. Trying to update again");
const QString Reconnect = QStringLiteral("Please reconnect device");
const QString Full = QStringLiteral("|||||||||| 100%");

enum class Job { Update, UpdateThenCalibrate, Calibrate };

struct DeviceSetup
{
    DeviceProfile profile = meter();
    // Added before the window starts: only for requests a scan never sends.
    Faults faults;
    // Added once the job has started and the scan has let go of the port.
    Faults laterFaults;
};

enum class Answer { KeepRunning, QuitAnyway };

// The 8-byte answer to the status question of a device that asks for firmware.
QByteArray asksForFirmware()
{
    QByteArray reply("\0\0\0\0nn", 6);
    const quint16 check = crc16(reply.constData(), unsigned(reply.size()));
    return reply.append(char(check & 0xff)).append(char(check >> 8));
}

QString debugText(const UpdateThread *worker)
{
    QString text;
    QDebug(&text).nospace() << worker;
    return text;
}

void press(Zelkor &window, const char *buttonName)
{
    QTest::mouseClick(button(window, buttonName), Qt::LeftButton);
}

void select(Zelkor &window, const QList<int> &ports)
{
    for (int port : ports)
        row(window, port)->setSelected(true);
}

const char *buttonFor(Job job)
{
    return job == Job::Calibrate ? "calbBtn" : "updateBtn";
}

void setCalibrateAfter(Zelkor &window, bool on)
{
    window.findChild<QCheckBox *>(QStringLiteral("calbAfterChk"))->setChecked(on);
}

// Answers the window's question on quitting as soon as it is up, and keeps what it said.
class QuestionAnswerer : public QObject
{
public:
    explicit QuestionAnswerer(Answer answer) : answer(answer)
    {
        connect(&poll, &QTimer::timeout, this, &QuestionAnswerer::look);
        poll.start(20);
    }

    bool asked = false;
    QString text;
    QString informativeText;

private:
    void look()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        asked = true;
        text = box->text();
        informativeText = box->informativeText();
        if (answer == Answer::KeepRunning) {
            // The default answer.
            QTest::keyClick(box, Qt::Key_Return);
            return;
        }
        for (QAbstractButton *choice : box->buttons()) {
            if (choice->text() == QLatin1String("Quit anyway"))
                choice->click();
        }
    }

    Answer answer;
    QTimer poll;
};

} // namespace

Q_DECLARE_METATYPE(Job)
Q_DECLARE_METATYPE(DeviceSetup)
Q_DECLARE_METATYPE(Answer)

class tst_WindowJobs : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void twoDevicesAtOnce();
    void jobEnds_data();
    void jobEnds();
    void updateRepeated();
    void jobStartsWhileScanProbesPort();
    void pressAfterReselecting_data();
    void pressAfterReselecting();
    void fileChecked_data();
    void fileChecked();
    void selectionGoneBeforePress_data();
    void selectionGoneBeforePress();
    void closingWithJobs_data();
    void closingWithJobs();

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

void tst_WindowJobs::twoDevicesAtOnce()
{
    // Long enough for several scan passes while the jobs run.
    ProtocolTiming::setScale(0.3);
    Bench bench;
    QVERIFY(addMeters(bench, 3));
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    RowHistory history(deviceList(*window), statusBar(*window));
    MessageLog messages;

    select(*window, {1, 2});
    const Clock::time_point pressed = Clock::now();
    press(*window, "updateBtn");

    QCOMPARE(row(*window, 1)->data(0, RowStateRole).toInt(), int(RowBusy));
    QCOMPARE(row(*window, 2)->data(0, RowStateRole).toInt(), int(RowBusy));
    QCOMPARE(workers(*window).size(), 2);
    QVERIFY(!jobControlsEnabled(*window));
    QCOMPARE(messages.count("UF started"), 1);
    QCOMPARE(messages.count("UF completed"), 1);

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    const Clock::time_point ended = Clock::now();
    for (int port = 1; port <= 2; ++port) {
        const QString location = PortNameMap::portName(port);
        QCOMPARE(history.states(location).mid(0, 2), (QList<int> {RowBusy, RowDone}));
        const QStringList statuses = history.statuses(location);
        QVERIFY(statuses.contains(" 8%") && statuses.contains("|||||||| 85%"));
        QVERIFY(statuses.contains(Full));
    }
    // Done rows are rebuilt by the next accepted scan, with the firmware the job wrote.
    for (int port = 1; port <= 2; ++port) {
        QTRY_COMPARE_WITH_TIMEOUT(row(*window, port) ? row(*window, port)->text(3) : QString(),
                                  NewVersion, ListTimeoutMs);
        QCOMPARE(row(*window, port)->data(0, RowStateRole).toInt(), int(RowScanned));
    }
    QCOMPARE(row(*window, 3)->text(3), QStringLiteral("1.2.345"));

    // From the job's first frame to the window's check the port heard nothing but the job;
    // both jobs ran side by side while the scan went on over the third device.
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
            QVERIFY2(isLoaderFrame(it->request), qPrintable(it->request));
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
    QTest::addColumn<Job>("job");
    QTest::addColumn<DeviceSetup>("setup");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("status");
    // Status questions the port heard before the job was over: the window's check.
    QTest::addColumn<int>("checks");

    DeviceSetup unpluggedAfterUpdate;
    unpluggedAfterUpdate.faults = {DeviceFault::on("RESET", DeviceFault::Unplug, 1)};
    DeviceSetup silentAfterUpdate;
    silentAfterUpdate.laterFaults = {DeviceFault::on("1g", DeviceFault::NoReply, 0, -1),
                                     DeviceFault::on("loader-probe", DeviceFault::NoReply, 0, -1)};
    DeviceSetup nothingSaved;
    nothingSaved.profile.unanswered = {"save"};

    QTest::newRow("update") << Job::Update << DeviceSetup() << int(RowDone) << Full << 1;
    QTest::newRow("update then calibrate")
        << Job::UpdateThenCalibrate << DeviceSetup() << int(RowScanned) << Full << 1;
    QTest::newRow("calibrate") << Job::Calibrate << DeviceSetup() << int(RowScanned) << Full << 0;
    QTest::newRow("calibration fails")
        << Job::Calibrate << nothingSaved << int(RowWarned) << CalibrationCancelled << 0;
    QTest::newRow("update done, calibration after it fails")
        << Job::UpdateThenCalibrate << nothingSaved << int(RowDone) << CalibrationCancelled << 1;
    QTest::newRow("device unplugged after the update")
        << Job::Update << unpluggedAfterUpdate << int(RowFailed) << Reconnect << 0;
    QTest::newRow("device silent after the update")
        << Job::Update << silentAfterUpdate << int(RowFailed) << Reconnect << 1;
}

void tst_WindowJobs::jobEnds()
{
    QFETCH(Job, job);
    QFETCH(DeviceSetup, setup);
    QFETCH(int, state);
    QFETCH(QString, status);
    QFETCH(int, checks);

    Bench bench;
    SimulatedDevice *device = bench.add(1, setup.profile, setup.faults);
    QVERIFY(device);
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    RowHistory history(deviceList(*window), statusBar(*window));
    setCalibrateAfter(*window, job == Job::UpdateThenCalibrate);

    select(*window, {1});
    const Clock::time_point pressed = Clock::now();
    press(*window, buttonFor(job));
    QCOMPARE(workers(*window).size(), 1);
    for (const DeviceFault &f : setup.laterFaults)
        device->addFault(f);
    // The worker goes at the very end of the job, before the port is handed back.
    Clock::time_point jobOver;
    connect(workers(*window).first(), &QObject::destroyed, this,
            [&jobOver] { jobOver = Clock::now(); });

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    QCOMPARE(row(*window, 1)->data(0, RowStateRole).toInt(), state);
    QCOMPARE(row(*window, 1)->text(4), status);
    QCOMPARE(requestsBetween(*device, pressed, jobOver).count("1g"), checks);
    QVERIFY(jobControlsEnabled(*window) == (state != RowDone));
}

void tst_WindowJobs::updateRepeated()
{
    Bench bench;
    SimulatedDevice *device = bench.add(1, meter());
    QVERIFY(device);
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    RowHistory history(deviceList(*window), statusBar(*window));
    MessageLog messages;

    select(*window, {1});
    press(*window, "updateBtn");
    QCOMPARE(workers(*window).size(), 1);
    UpdateThread *worker = workers(*window).first();
    int disposed = 0;
    connect(worker, &QObject::destroyed, this, [&disposed] { ++disposed; });
    // The first check after the update finds the device asking for firmware.
    DeviceFault asks = DeviceFault::on("1g", DeviceFault::Garbage);
    asks.payload = asksForFirmware();
    device->addFault(asks);

    const QString location = PortNameMap::portName(1);
    QTRY_VERIFY_WITH_TIMEOUT(history.statuses(location).contains(TryingAgain), JobTimeoutMs);
    QCOMPARE(workers(*window), QList<UpdateThread *> {worker});
    QCOMPARE(disposed, 0);
    QCOMPARE(messages.count("Нужна повторная загрузка (поток) " + debugText(worker)), 1);
    QCOMPARE(messages.count("Повторный старт потока " + debugText(worker)), 1);

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    QCOMPARE(disposed, 1);
    QCOMPARE(row(*window, 1)->data(0, RowStateRole).toInt(), int(RowDone));
    // The whole update ran twice, each time followed by the window's check.
    const QStringList requests = device->log().requests();
    QCOMPARE(requests.count("DISCONNECT"), 2);
    const QStringList afterRepeat =
        history.statuses(location).mid(history.statuses(location).indexOf(TryingAgain));
    QCOMPARE(afterRepeat.first(), TryingAgain);
    QVERIFY(afterRepeat.contains(" 8%"));
    QCOMPARE(afterRepeat.last(), Full);
    QCOMPARE(history.states(location).mid(0, 2), (QList<int> {RowBusy, RowDone}));
}

// The scan is in the middle of an exchange with the device when the job takes the port.
void tst_WindowJobs::jobStartsWhileScanProbesPort()
{
    DeviceProfile slow = meter();
    // Slower than any exchange of the job, quicker than the scan's time-outs.
    slow.replyLatencyMs = 40;
    Bench bench;
    SimulatedDevice *device = bench.add(1, slow);
    QVERIFY(device);
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    RowHistory history(deviceList(*window), statusBar(*window));
    select(*window, {1});

    // Ticks start the passes: the event loop must run while the test waits for the next one.
    const int logged = device->log().size();
    QVERIFY(QTest::qWaitFor([&] { return device->log().size() > logged; }, ListTimeoutMs));
    press(*window, "updateBtn");
    QCOMPARE(workers(*window).size(), 1);

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    QCOMPARE(history.messages(), QStringList());
    QCOMPARE(row(*window, 1)->data(0, RowStateRole).toInt(), int(RowDone));
}

void tst_WindowJobs::pressAfterReselecting_data()
{
    QTest::addColumn<bool>("firstJobFails");
    QTest::newRow("first job still running") << false;
    QTest::newRow("first job failed") << true;
}

// A job started on one row, then the user selects another row and presses "Calibrate": only
// that row gets a job, whether the first row is still busy or usable again after a failure.
void tst_WindowJobs::pressAfterReselecting()
{
    QFETCH(bool, firstJobFails);

    Bench bench;
    QVERIFY(addMeters(bench, 2));
    if (firstJobFails)
        bench.device(1)->addFault(DeviceFault::on("CONNECT", DeviceFault::BadStatus, 0, 5));
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    MessageLog messages;
    // Otherwise the first job waits in its first pause for as long as the test runs.
    if (!firstJobFails)
        ProtocolTiming::setScale(1e6);

    select(*window, {1});
    press(*window, "updateBtn");
    QCOMPARE(workers(*window).size(), 1);
    UpdateThread *first = workers(*window).first();
    QTreeWidget *tree = deviceList(*window);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(row(*window, 2)).center());
    if (firstJobFails) {
        QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
        QCOMPARE(row(*window, 1)->data(0, RowStateRole).toInt(), int(RowFailed));
    }
    QTRY_VERIFY_WITH_TIMEOUT(jobControlsEnabled(*window), ListTimeoutMs);
    const Clock::time_point pressed = Clock::now();
    press(*window, "calbBtn");

    QCOMPARE(messages.count("CALB started"), 1);
    QCOMPARE(workers(*window).size(), firstJobFails ? 1 : 2);
    QVERIFY(firstJobFails || workers(*window).contains(first));
    // The calibration enters calibration mode; the first device hears none of it.
    QTRY_VERIFY_WITH_TIMEOUT(bench.device(2)->log().requests().contains("calb"), JobTimeoutMs);
    QVERIFY(!requestsBetween(*bench.device(1), pressed, Clock::now()).contains("calb"));
}

void tst_WindowJobs::fileChecked_data()
{
    QTest::addColumn<Job>("job");
    QTest::addColumn<QString>("file"); // empty: the start-up prompt; "gone": a deleted file
    QTest::addColumn<bool>("started");

    QTest::newRow("update, start-up prompt") << Job::Update << QString() << false;
    QTest::newRow("update, file deleted") << Job::Update << QStringLiteral("gone") << false;
    // A calibration reads no file.
    QTest::newRow("calibrate, start-up prompt") << Job::Calibrate << QString() << true;
}

void tst_WindowJobs::fileChecked()
{
    QFETCH(Job, job);
    QFETCH(QString, file);
    QFETCH(bool, started);

    Bench bench;
    SimulatedDevice *device = bench.add(1, meter());
    QVERIFY(device);
    const QString path = file.isEmpty() ? QString() : bench.file("gone.cod", "@00001000\n");
    Zelkor *window = bench.open(path);
    QVERIFY(window);
    if (!path.isEmpty())
        QVERIFY(QFile::remove(path));
    else
        QCOMPARE(window->findChild<QLineEdit *>("filenameEdit")->text(), Prompt);
    RowHistory history(deviceList(*window), statusBar(*window));
    MessageLog messages;
    select(*window, {1});
    const Clock::time_point pressed = Clock::now();
    press(*window, buttonFor(job));

    if (started) {
        QCOMPARE(history.messages(), QStringList());
        QCOMPARE(row(*window, 1)->data(0, RowStateRole).toInt(), int(RowBusy));
        QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
        return;
    }
    QCOMPARE(history.messages(), QStringList {FileNotFound});
    QCOMPARE(statusBar(*window)->currentMessage(), FileNotFound);
    QVERIFY(workers(*window).isEmpty());
    QVERIFY(jobControlsEnabled(*window));
    QCOMPARE(row(*window, 1)->data(0, RowStateRole).toInt(), int(RowScanned));
    QCOMPARE(messages.count("UF started"), 0);
    // The scan alone talks to the device.
    QTest::qWait(300);
    QVERIFY(!requestsBetween(*device, pressed, Clock::now()).contains("RESET"));
}

void tst_WindowJobs::selectionGoneBeforePress_data()
{
    QTest::addColumn<Job>("job");
    QTest::newRow("update") << Job::Update;
    QTest::newRow("calibrate") << Job::Calibrate;
}

// The selected device vanished from the list; the rebuild left the controls enabled for it.
void tst_WindowJobs::selectionGoneBeforePress()
{
    QFETCH(Job, job);

    Bench bench;
    QVERIFY(addMeters(bench, 2));
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    MessageLog messages;
    select(*window, {1});
    bench.device(1)->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(!row(*window, 1), ListTimeoutMs);
    QVERIFY(jobControlsEnabled(*window));

    RowHistory history(deviceList(*window), statusBar(*window));
    press(*window, buttonFor(job));
    QCOMPARE(history.messages(), QStringList {NotSelected});
    QVERIFY(workers(*window).isEmpty());
    QVERIFY(!jobControlsEnabled(*window));
    const QString slot = job == Job::Update ? "UF" : "CALB";
    QCOMPARE(messages.count(slot + " started"), 1);
    QCOMPARE(messages.count(slot + " completed"), 1);
}

void tst_WindowJobs::closingWithJobs_data()
{
    QTest::addColumn<Job>("job");
    QTest::addColumn<bool>("close"); // false: the window is destroyed without being closed
    QTest::addColumn<Answer>("answer");
    // The request after which the job waits in a pause that lasts for days.
    QTest::addColumn<QString>("waitsAfter");

    QTest::newRow("keep running") << Job::Update << true << Answer::KeepRunning << QString();
    QTest::newRow("quit during an update")
        << Job::Update << true << Answer::QuitAnyway << QStringLiteral("RESET");
    QTest::newRow("quit during a calibration")
        << Job::Calibrate << true << Answer::QuitAnyway << QStringLiteral("calb");
    QTest::newRow("window destroyed during an update")
        << Job::Update << false << Answer::QuitAnyway << QStringLiteral("RESET");
}

void tst_WindowJobs::closingWithJobs()
{
    QFETCH(Job, job);
    QFETCH(bool, close);
    QFETCH(Answer, answer);
    QFETCH(QString, waitsAfter);

    Bench bench;
    QVERIFY(addMeters(bench, 2));
    Zelkor *window = openWithFirmware(bench);
    QVERIFY(window);
    MessageLog messages;
    if (!waitsAfter.isEmpty())
        ProtocolTiming::setScale(1e6);

    select(*window, {1, 2});
    press(*window, buttonFor(job));
    QCOMPARE(workers(*window).size(), 2);
    for (int port = 1; port <= 2 && !waitsAfter.isEmpty(); ++port) {
        QTRY_VERIFY_WITH_TIMEOUT(bench.device(port)->log().requests().contains(waitsAfter),
                                 JobTimeoutMs);
    }

    QuestionAnswerer answerer(answer);
    if (!close) {
        bench.close();
        QVERIFY(!answerer.asked);
    } else {
        window->close();
        QVERIFY(answerer.asked);
        QCOMPARE(answerer.text, QStringLiteral("2 devices are still being updated or calibrated."));
        QVERIFY(answerer.informativeText.contains("without firmware"));
    }

    if (answer == Answer::KeepRunning) {
        QVERIFY(window->isVisible());
        QCOMPARE(workers(*window).size(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
        QCOMPARE(row(*window, 1)->data(0, RowStateRole).toInt(), int(RowDone));
        return;
    }
    if (close) {
        QVERIFY(!window->isVisible());
        QVERIFY(workers(*window).isEmpty());
        bench.close();
    }
    // The jobs ended where they were: no device heard another request, and each port is
    // free again.
    QTest::qWait(200);
    for (int port = 1; port <= 2; ++port) {
        const QStringList requests = bench.device(port)->log().requests();
        QCOMPARE(requests.mid(requests.lastIndexOf(waitsAfter)), QStringList {waitsAfter});
        QVERIFY(!bench.device(port)->state().saved);
        ComPort other;
        QVERIFY(other.open(SimulatedPorts::portNameBytes(port).constData(), false));
    }
    QVERIFY(!messages.contains("Destroyed while thread is still running"));
    QVERIFY(ScratchDirectory::storedSettings().contains("window"));
}

QTEST_MAIN(tst_WindowJobs)
#include "tst_windowjobs.moc"
