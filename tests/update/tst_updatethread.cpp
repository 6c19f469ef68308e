#include "ComPort.h"
#include "JobRun.h"
#include "LoaderCommands.h"
#include "ProtocolTiming.h"
#include "SecondOpener.h"
#include "SimulatedPorts.h"
#include "TestFirmware.h"
#include "UpdateThread.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

using namespace TestFirmware;
using Faults = QList<DeviceFault>;
using Frames = QList<QByteArray>;

namespace {

constexpr int Port = 7;
// Shortened pauses and ticks for every test that doesn't measure them.
constexpr double ShortTiming = 0.01;
// Progress value at which a test pulls the plug; NoUnplug for never.
constexpr int NoUnplug = -1000;

QStringList tenLineRequests()
{
    return QStringList {"RESET", "CONNECT", "NEW SECTION"} + QStringList(8, "WRITE DATA")
        + QStringList {"DISCONNECT", "RESET"};
}

QStringList settledRequests(SimulatedDevice *device, qsizetype expected)
{
    QStringList names;
    for (const WireRecord &record : settledRecords(device, expected))
        names << record.request;
    return names;
}

Frames frameBytes(const QList<WireRecord> &records)
{
    Frames frames;
    for (const WireRecord &record : records)
        frames << record.bytes;
    return frames;
}

} // namespace

class tst_UpdateThread : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void wireFrames_data();
    void wireFrames();
    void emptyWriteData();
    void progress_data();
    void progress();
    void failures_data();
    void failures();
    void resetRetries_data();
    void resetRetries();
    void portCantOpen_data();
    void portCantOpen();
    void updateThenCalibrate_data();
    void updateThenCalibrate();
    void restartAfterRunReturned();
    void parallelJobs();
    void fullLengthUpdate();

private:
    QTemporaryDir dir;
};

void tst_UpdateThread::init()
{
    ProtocolTiming::setScale(ShortTiming);
    ProtocolTiming::setTimeoutScale(1.0);
}

void tst_UpdateThread::wireFrames_data()
{
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("lf") << QByteArray("\n");
    QTest::newRow("crlf") << QByteArray("\r\n");
}

// Every kind of line, with the frame it must become on the wire.
void tst_UpdateThread::wireFrames()
{
    QFETCH(QByteArray, lineEnd);
    const QByteArray forty(40, 'A');
    const QByteArray twenty = "0123456789abcdefghij";
    const QByteArray thirtyOne(31, 'C');
    const QList<QByteArray> lines {"@00001000", "VER:2.5.77",     forty,        twenty,     "",
                                   thirtyOne,   "@0000200A tail", "0123456789", "FEDCBA98", "77"};
    QByteArray file;
    for (const QByteArray &line : lines)
        file += line + lineEnd;
    file += "quit now"; // an end line with text after the "q", and no terminator

    const Frames expected {resetFrame,
                           connectFrame,
                           QByteArray::fromHex("114408003030303031303030f521"),
                           writeData("VER:2.5.77\n"),
                           writeData(forty.left(32)),
                           writeData(twenty + "\n"),
                           writeData("\n"),
                           writeData(thirtyOne + "\n"),
                           newSection("0000200A"),
                           writeData("0123456789\n"),
                           writeData("FEDCBA98\n"),
                           writeData("77\n"),
                           disconnectFrame,
                           resetFrame};

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port);
    QVERIFY(device);
    JobRun run;
    run.setJob(SimulatedPorts::portName(Port), write(dir, file), false, true);
    QVERIFY(run.startAndWait());

    QCOMPARE(frameBytes(settledRecords(device, expected.size())), expected);
    QCOMPARE(run.finishes().size(), 1);
    QCOMPARE(run.finishes().first().updateResult, 1);
    // The loader took the image and booted it.
    const DeviceState state = device->state();
    QCOMPARE(state.mode, DeviceMode::Firmware);
    QCOMPARE(state.firmware.toString(), QStringLiteral("2.5.77"));
    QCOMPARE(state.image.sections().size(), 2);
    QCOMPARE(state.image.sections().at(1).address, QByteArray("0000200A"));
}

void tst_UpdateThread::emptyWriteData()
{
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, DeviceProfile::loader());
    QVERIFY(device);
    ComPort link;
    QVERIFY(link.setTimeouts(0, 500, 10, 0, 1000));
    QVERIFY(link.open(SimulatedPorts::portNameBytes(Port).constData(), false));
    LoaderCommands loader(link);
    QVERIFY(loader.loaderConnect());
    QVERIFY(loader.loaderSetAddress("00001000"));
    QVERIFY(loader.loaderWriteData(QByteArray()));
    link.close();
    QCOMPARE(settledRecords(device, 3).last().bytes, QByteArray::fromHex("4411000044d1"));
}

void tst_UpdateThread::progress_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("ten lines") << tenLines() << tenLineProgress();

    QByteArray file = "@00001000\n";
    for (int i = 1; i < 199; ++i)
        file += "0102\n";
    file += "q\n";
    // 85 per 200 lines: 0 after the first line, 1 after the third, 85 after the last.
    QList<int> expected {0, 0, 1, 1, 2};
    QTest::newRow("two hundred lines") << file << expected;
}

void tst_UpdateThread::progress()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<int>, expected);

    SimulatedPorts ports;
    QVERIFY(ports.add(Port));
    JobRun run;
    run.setJob(SimulatedPorts::portName(Port), write(dir, file), false, true);
    QVERIFY(run.startAndWait());

    const QList<int> reported = run.progress();
    const int lines = int(file.count('\n'));
    QCOMPARE(reported.size(), lines + 15);
    QCOMPARE(reported.mid(0, expected.size()), expected);
    QCOMPARE(reported.at(lines - 1), 85);
    QCOMPARE(reported.mid(lines), range(86, 100));
}

void tst_UpdateThread::failures_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<QByteArray>("file"); // empty: no file at the path
    QTest::addColumn<int>("unplugAt");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<QStringList>("requests");

    const QStringList connected {"RESET", "CONNECT", "NEW SECTION"};
    const QStringList beforeDisconnect = tenLineRequests().mid(0, 11);
    DeviceFault answersConnectCode = DeviceFault::on("WRITE DATA", DeviceFault::WrongEcho);
    answersConnectCode.payload = QByteArray::fromHex("3412");

    QTest::newRow("connect refused five times")
        << Faults {DeviceFault::on("CONNECT", DeviceFault::BadStatus, 0, 5)} << tenLines()
        << NoUnplug << -5 << QList<int> {-5} << QStringList {"RESET"} + QStringList(5, "CONNECT");
    QTest::newRow("connect refused four times")
        << Faults {DeviceFault::on("CONNECT", DeviceFault::BadStatus, 0, 4)} << tenLines()
        << NoUnplug << 1 << tenLineProgress()
        << QStringList {"RESET"} + QStringList(4, "CONNECT") + tenLineRequests().mid(1);
    QTest::newRow("new section silent")
        << Faults {DeviceFault::on("NEW SECTION", DeviceFault::NoReply)} << tenLines() << NoUnplug
        << -7 << QList<int> {-7} << connected;
    QTest::newRow("write data refused")
        << Faults {DeviceFault::on("WRITE DATA", DeviceFault::BadStatus, 2)} << tenLines()
        << NoUnplug << -8 << QList<int> {8, 17, 25, -8} << connected + QStringList(3, "WRITE DATA");
    QTest::newRow("write data answered with the connect code")
        << Faults {answersConnectCode} << tenLines() << NoUnplug << -8 << QList<int> {8, -8}
        << connected + QStringList {"WRITE DATA"};
    QTest::newRow("unplugged at write data")
        << Faults {DeviceFault::on("WRITE DATA", DeviceFault::Unplug, 1)} << tenLines() << NoUnplug
        << -8 << QList<int> {8, 17, -8} << connected + QStringList(2, "WRITE DATA");
    QTest::newRow("disconnect refused")
        << Faults {DeviceFault::on("DISCONNECT", DeviceFault::BadStatus)} << tenLines() << NoUnplug
        << -6 << QList<int> {8, 17, 25, 34, 42, 51, 59, 68, 76, -6}
        << beforeDisconnect + QStringList {"DISCONNECT"};
    // The loader takes nothing after DISCONNECT without a new CONNECT, so the line after the
    // end line, sent all the same, is refused.
    QTest::newRow("line after the end line")
        << Faults() << tenLines() + "0102\n"
        << NoUnplug << -8 << QList<int> {7, 15, 23, 30, 38, 46, 54, 61, 69, 77, -8}
        << beforeDisconnect + QStringList {"DISCONNECT", "WRITE DATA"};
    QTest::newRow("final reset can't be written")
        << Faults() << tenLines() << 85 << 1 << tenLineProgress() << tenLineRequests().mid(0, 12);
    QTest::newRow("missing file") << Faults() << QByteArray() << NoUnplug << -2 << QList<int> {-2}
                                  << QStringList();
    QTest::newRow("nine lines") << Faults() << tenLines().mid(10) << NoUnplug << -3
                                << QList<int> {-3} << QStringList();
    QTest::newRow("address shorter than eight bytes")
        << Faults() << "@1000\n" + tenLines().mid(10) << NoUnplug << -3 << QList<int> {-3}
        << QStringList();
}

void tst_UpdateThread::failures()
{
    QFETCH(Faults, faults);
    QFETCH(QByteArray, file);
    QFETCH(int, unplugAt);
    QFETCH(int, result);
    QFETCH(QList<int>, progress);
    QFETCH(QStringList, requests);

    // Silent frames wait out the read time-out; a tenth of it is plenty for the simulator.
    ProtocolTiming::setTimeoutScale(0.1);
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, DeviceProfile::ready(), faults);
    QVERIFY(device);
    JobRun run;
    run.unplugAt(unplugAt, device);
    const QString path = file.isEmpty() ? dir.filePath("absent.cod") : write(dir, file);
    run.setJob(SimulatedPorts::portName(Port), path, false, true);
    QVERIFY(run.startAndWait());

    QCOMPARE(run.progress(), progress);
    QCOMPARE(settledRequests(device, requests.size()), requests);
    const QList<JobRun::Finish> finishes = run.finishes();
    QCOMPARE(finishes.size(), 1);
    QCOMPARE(finishes.first().thread, &run.worker());
    QCOMPARE(finishes.first().devicename, SimulatedPorts::portName(Port));
    QCOMPARE(finishes.first().updateResult, result);
    QCOMPARE(finishes.first().calbResult, 0);
    if (device->mode() != DeviceMode::Unplugged)
        QVERIFY(finishes.first().portFree);
}

void tst_UpdateThread::resetRetries_data()
{
    QTest::addColumn<double>("resumeAfter"); // attempts, 0: never
    QTest::addColumn<double>("unplugAfter"); // attempts, 0: never
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("requests");

    QTest::newRow("written at the fifth attempt") << 4.5 << 0.0 << 1 << tenLineRequests();
    QTest::newRow("not written in five attempts") << 5.5 << 0.0 << -4 << QStringList();
    QTest::newRow("line gone during the first attempt") << 0.0 << 0.5 << -4 << QStringList();
}

// A RESET fails only when its frame can't be written: here the line holds every byte back
// until the write time-out has passed.
void tst_UpdateThread::resetRetries()
{
    QFETCH(double, resumeAfter);
    QFETCH(double, unplugAfter);
    QFETCH(int, result);
    QFETCH(QStringList, requests);

    // Four bytes at 5000 ms each, shortened: one attempt lasts 1000 ms, so that the line is
    // released or pulled half an attempt away from either end of one.
    ProtocolTiming::setTimeoutScale(0.05);
    const int attemptMs = 1000;
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port);
    QVERIFY(device);
    SecondOpener other(device->portPath());
    QVERIFY(other.holdOutput());

    JobRun run;
    run.setJob(SimulatedPorts::portName(Port), write(dir, tenLines()), false, true);
    run.worker().start();
    QVERIFY(other.waitForLineSettings(5000));
    if (unplugAfter > 0) {
        QThread::msleep(int(unplugAfter * attemptMs));
        device->unplug();
    } else {
        QThread::msleep(int(resumeAfter * attemptMs));
        QVERIFY(other.releaseOutput());
    }
    QVERIFY(run.worker().wait(30000));

    QCOMPARE(settledRequests(device, requests.size()), requests);
    QCOMPARE(run.finishes().size(), 1);
    QCOMPARE(run.finishes().first().updateResult, result);
    QCOMPARE(run.progress(), result == 1 ? tenLineProgress() : QList<int> {result});
}

void tst_UpdateThread::portCantOpen_data()
{
    QTest::addColumn<bool>("deviceThere");
    QTest::newRow("no device on the port") << false;
    QTest::newRow("port held by another program") << true;
}

void tst_UpdateThread::portCantOpen()
{
    QFETCH(bool, deviceThere);

    SimulatedPorts ports;
    SimulatedDevice *device = deviceThere ? ports.add(Port) : nullptr;
    std::unique_ptr<SecondOpener> other;
    if (device) {
        other = std::make_unique<SecondOpener>(device->portPath());
        QVERIFY(other->lock());
    }
    JobRun run;
    run.setJob(SimulatedPorts::portName(Port), write(dir, tenLines()), true, true);
    QVERIFY(run.startAndWait());

    QCOMPARE(run.progress(), QList<int> {-1});
    QCOMPARE(run.finishes().size(), 1);
    QCOMPARE(run.finishes().first().updateResult, -1);
    QCOMPARE(run.finishes().first().calbResult, 0);
    if (device)
        QCOMPARE(settledRequests(device, 0), QStringList());
}

void tst_UpdateThread::updateThenCalibrate_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<int>("updateResult");
    QTest::addColumn<int>("calbResult");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<QStringList>("requests");

    QTest::newRow("both succeed") << Faults() << 1 << 0 << tenLineProgress() + range(200, 220)
                                  << tenLineRequests() + calibrationRequests();
    QTest::newRow("update fails") << Faults {DeviceFault::on("CONNECT", DeviceFault::BadStatus, 0,
                                                             5)}
                                  << -5 << 0 << QList<int> {-5}
                                  << QStringList {"RESET"} + QStringList(5, "CONNECT");
    QTest::newRow("calibration fails")
        << Faults {DeviceFault::on("save", DeviceFault::NoReply)} << 1 << -201
        << tenLineProgress() + range(200, 209) + QList<int> {-201}
        << tenLineRequests() + calibrationRequests().mid(0, 7);
}

void tst_UpdateThread::updateThenCalibrate()
{
    QFETCH(Faults, faults);
    QFETCH(int, updateResult);
    QFETCH(int, calbResult);
    QFETCH(QList<int>, progress);
    QFETCH(QStringList, requests);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, DeviceProfile::ready(), faults);
    QVERIFY(device);
    JobRun run;
    run.setJob(SimulatedPorts::portName(Port), write(dir, tenLines()), true, true);
    QVERIFY(run.startAndWait());

    QCOMPARE(run.progress(), progress);
    QCOMPARE(settledRequests(device, requests.size()), requests);
    QCOMPARE(run.finishes().size(), 1);
    QCOMPARE(run.finishes().first().updateResult, updateResult);
    QCOMPARE(run.finishes().first().calbResult, calbResult);
    QVERIFY(run.finishes().first().portFree);
    QCOMPARE(device->state().saved, updateResult == 1 && calbResult == 0);
}

// The window repeats a job from its queued finished() slot, while the worker may still be
// on its way out of run().
void tst_UpdateThread::restartAfterRunReturned()
{
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port);
    QVERIFY(device);
    JobRun run;
    run.setJob(SimulatedPorts::portName(Port), write(dir, tenLines()), false, true);

    int received = 0;
    QObject window;
    connect(
        &run.worker(), &UpdateThread::finished, &window,
        [&](UpdateThread *thread, const QString &, int, int) {
            if (++received == 1)
                thread->restart();
        },
        Qt::QueuedConnection);
    // Connected last, so the window's slot is already on its way: the first run stays in
    // run() a little longer, while the window restarts it.
    std::atomic<int> lingering {1};
    connect(
        &run.worker(), &UpdateThread::finished, this,
        [&](UpdateThread *, const QString &, int, int) {
            if (lingering-- > 0)
                QThread::msleep(300);
        },
        Qt::DirectConnection);

    run.worker().start();
    QTRY_COMPARE_WITH_TIMEOUT(received, 2, 20000);
    QVERIFY(run.worker().wait(5000));
    const QStringList twice = tenLineRequests() + tenLineRequests();
    QCOMPARE(settledRequests(device, twice.size()), twice);
    QCOMPARE(run.progress(), tenLineProgress() + tenLineProgress());
}

void tst_UpdateThread::parallelJobs()
{
    SimulatedPorts ports;
    const QList<int> numbers {3, 4, 5};
    std::vector<std::unique_ptr<JobRun>> runs;
    for (int number : numbers) {
        QVERIFY(ports.add(number));
        runs.push_back(std::make_unique<JobRun>());
        runs.back()->setJob(SimulatedPorts::portName(number), write(dir, tenLines()), false, true);
    }
    for (auto &run : runs)
        run->worker().start();
    for (auto &run : runs)
        QVERIFY(run->worker().wait(30000));
    for (int i = 0; i < numbers.size(); ++i) {
        QCOMPARE(frameBytes(settledRecords(ports.device(numbers[i]), tenLineFrames().size())),
                 tenLineFrames());
        QCOMPARE(runs[size_t(i)]->progress(), tenLineProgress());
        QCOMPARE(runs[size_t(i)]->finishes().first().devicename,
                 SimulatedPorts::portName(numbers[i]));
    }
}

// The pauses and ticks at their real length, measured on the device's side of the line.
void tst_UpdateThread::fullLengthUpdate()
{
    ProtocolTiming::setScale(1.0);
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port);
    QVERIFY(device);
    JobRun run;
    run.setJob(SimulatedPorts::portName(Port), write(dir, tenLines()), false, true);
    QVERIFY(run.startAndWait());

    const QList<WireRecord> records = settledRecords(device, tenLineFrames().size());
    QCOMPARE(frameBytes(records), tenLineFrames());
    QCOMPARE(run.progress(), tenLineProgress());
    const auto times = run.progressTimes();
    // Arrival times on the device's side carry its own reading delay; allow for it.
    const int deviceSlack = 50;
    // RESET, then CONNECT after the reset's pause; NEW SECTION, then its pause.
    QVERIFY(JobRun::msBetween(records[0].received, records[1].received) >= 100 - deviceSlack);
    QVERIFY(JobRun::msBetween(records[2].received, records[3].received) >= 500 - deviceSlack);
    // 85 %, the pause before the restart, the final reset and its own pause, the first tick.
    QVERIFY(JobRun::msBetween(times[9], records.last().received) >= 500);
    QVERIFY(JobRun::msBetween(times[9], times[10]) >= 500 + 100 + 500);
    for (int k = 11; k < times.size(); ++k)
        QVERIFY2(JobRun::msBetween(times[k - 1], times[k]) >= 500, qPrintable(QString::number(k)));
}

QTEST_GUILESS_MAIN(tst_UpdateThread)
#include "tst_updatethread.moc"
