#include "JobRun.h"
#include "ProtocolTiming.h"
#include "SecondOpener.h"
#include "SimulatedPorts.h"
#include "TestFirmware.h"
#include "crc16.h"

#include <QtTest>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <utility>

using namespace TestFirmware;
using Faults = QList<DeviceFault>;

namespace {

constexpr int Port = 7;

const QByteArray ResetFrame = QByteArray::fromHex("00f00000");

// A WRITE DATA frame: code and length low byte first, the data, then the check value over all
// of it.
QByteArray writeData(const QByteArray &data)
{
    QByteArray frame = QByteArray::fromHex("4411");
    frame.append(char(data.size() & 0xff)).append(char(data.size() >> 8)).append(data);
    const quint16 check = crc16(frame.constData(), unsigned(frame.size()));
    return frame.append(char(check & 0xff)).append(char(check >> 8));
}

} // namespace

class tst_UpdateThread : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void wireFrames();
    void outcomes_data();
    void outcomes();
    void restartAfterRunReturned();
    void checkValueKeptInRepeat();
    void heldPortWaitedFor_data();
    void heldPortWaitedFor();
    void pauses_data();
    void pauses();

private:
    // What the device heard in an update followed by a calibration, the ticks at TickScale,
    // and when the job was over.
    struct TimedJob
    {
        QList<WireRecord> heard;
        std::chrono::steady_clock::time_point over;
    };
    static TimedJob timedJob();

    QTemporaryDir dir;
    const QString PortName = SimulatedPorts::portName(Port);
};

void tst_UpdateThread::init()
{
    ProtocolTiming::setScale(0.01);
    ProtocolTiming::setTimeoutScale(1.0);
}

// Every kind of line, with the frame it must become on the wire.
void tst_UpdateThread::wireFrames()
{
    const QByteArray forty(40, 'A'), twenty = "0123456789abcdefghij", thirtyOne(31, 'C');
    const QList<QByteArray> lines {"@00001000", "VER:2.5.77",     forty,        twenty,     "",
                                   thirtyOne,   "@0000200A tail", "0123456789", "FEDCBA98", "77"};
    QByteArray file;
    // Line ends of both kinds, each becoming a plain line feed.
    for (qsizetype i = 0; i < lines.size(); ++i)
        file += lines[i] + (i % 2 ? "\r\n" : "\n");
    file += "quit now"; // an end line with text after the "q", and no terminator

    const QList<QByteArray> expected {ResetFrame,
                                      QByteArray::fromHex("34120000ae11"),
                                      QByteArray::fromHex("114408003030303031303030f521"),
                                      writeData("VER:2.5.77\n"),
                                      writeData(forty.left(32)),
                                      writeData(twenty + "\n"),
                                      writeData("\n"),
                                      writeData(thirtyOne + "\n"),
                                      QByteArray::fromHex("1144080030303030323030413541"),
                                      writeData("0123456789\n"),
                                      writeData("FEDCBA98\n"),
                                      writeData("77\n"),
                                      QByteArray::fromHex("21430000fbcc"),
                                      ResetFrame};

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port);
    QVERIFY(device);
    JobRun run;
    QVERIFY(run.run(PortName, write(dir, file), false, true));

    settledRequests(device, expected.size());
    QList<QByteArray> sent;
    for (const WireRecord &record : device->log().records())
        sent << record.bytes;
    QCOMPARE(sent, expected);
    QCOMPARE(run.report().finishes, run.once(PortName, 1, 0, true));
}

void tst_UpdateThread::outcomes_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QByteArray>("file"); // empty: no file at the path
    QTest::addColumn<bool>("calibrate");

    const auto row = [](const char *name, const Faults &faults, int result,
                        const QList<int> &progress, const QStringList &requests,
                        const QByteArray &file = tenLines(), bool calibrate = false) {
        QTest::newRow(name) << faults << result << progress << requests << file << calibrate;
    };
    const QStringList connected {"RESET", "CONNECT", "NEW SECTION"};
    const auto fault = [](const char *request, DeviceFault::Kind kind, int skip = 0) {
        return Faults {DeviceFault::on(request, kind, skip)};
    };
    Faults answersConnectCode = fault("WRITE DATA", DeviceFault::WrongEcho);
    answersConnectCode[0].payload = QByteArray::fromHex("3412");

    row("update and calibration", {}, 1, tenLineProgress() + range(200, 220),
        tenLineRequests() + calibrationRequests(), tenLines(), true);
    row("no calibration after a failed update",
        {DeviceFault::on("CONNECT", DeviceFault::BadStatus, 0, 5)}, -5, {-5},
        QStringList {"RESET"} + QStringList(5, "CONNECT"), tenLines(), true);
    row("new section silent", fault("NEW SECTION", DeviceFault::NoReply), -7, {-7}, connected);
    row("write data answered with the connect code", answersConnectCode, -8, {8, -8},
        connected + QStringList {"WRITE DATA"});
    row("disconnect refused", fault("DISCONNECT", DeviceFault::BadStatus), -6,
        {8, 17, 25, 34, 42, 51, 59, 68, 76, -6}, tenLineRequests().mid(0, 12));
    // A loader that filled the check value into its reply to CONNECT must go on doing so; one
    // that never does is taken at its word, as before.
    row("write data reply with a wrong check value", fault("WRITE DATA", DeviceFault::BadCheck, 2),
        -8, {8, 17, 25, -8}, connected + QStringList(3, "WRITE DATA"));
    // Also when a retried CONNECT's reply comes without one.
    row("check value kept past a retried connect",
        fault("CONNECT", DeviceFault::BadStatus) + fault("CONNECT", DeviceFault::NoCheck, 1)
            + Faults {DeviceFault::on("WRITE DATA", DeviceFault::BadCheck, 0, -1)},
        -8, {8, -8}, {"RESET", "CONNECT", "CONNECT", "CONNECT", "NEW SECTION", "WRITE DATA"});
    // A wrong check value is noise, not a loader without check values: the CONNECT is tried
    // again, and the loader's check values hold for the rest of the job.
    row("connect reply with a wrong check value",
        fault("CONNECT", DeviceFault::BadCheck) + fault("WRITE DATA", DeviceFault::BadCheck, 2),
        -8, {8, 17, 25, -8},
        QStringList {"RESET", "CONNECT", "CONNECT", "NEW SECTION"} + QStringList(3, "WRITE DATA"));
    Faults uncheckedLoader;
    for (const char *frame : {"CONNECT", "NEW SECTION", "WRITE DATA", "DISCONNECT"})
        uncheckedLoader += DeviceFault::on(frame, DeviceFault::NoCheck, 0, -1);
    row("loader that fills in no check values", uncheckedLoader, 1, tenLineProgress(),
        tenLineRequests());
    // A partial image marked finished, or an erased device, for a file that is no image.
    row("line after the end line", {}, -3, {-3}, {}, tenLines() + "0102\n");
    row("missing file", {}, -2, {-2}, {}, {});
}

void tst_UpdateThread::outcomes()
{
    QFETCH(Faults, faults);
    QFETCH(int, result);
    QFETCH(QList<int>, progress);
    QFETCH(QStringList, requests);
    QFETCH(QByteArray, file);
    QFETCH(bool, calibrate);

    // Silent frames wait out the read time-out; a tenth of it is plenty for the simulator.
    ProtocolTiming::setTimeoutScale(0.1);
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, DeviceProfile::ready(), faults);
    QVERIFY(device);
    JobRun run;
    const QString path = file.isEmpty() ? dir.filePath("absent.cod") : write(dir, file);
    QVERIFY(run.run(PortName, path, calibrate, true));

    QCOMPARE(run.report().progress, progress);
    QCOMPARE(settledRequests(device, requests.size()), requests);
    QCOMPARE(run.report().finishes, run.once(PortName, result, 0, true));
}

// The window repeats a job from its queued finished() slot, while the worker may still be
// on its way out of run().
void tst_UpdateThread::restartAfterRunReturned()
{
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port);
    QVERIFY(device);
    JobRun run;
    run.thread.setJob(PortName, write(dir, tenLines()), false, true, 12.0);

    int received = 0; // by the window, in this thread
    connect(
        &run.thread, &UpdateThread::finished, this,
        [&](UpdateThread *thread) {
            if (++received == 1)
                thread->restart();
        },
        Qt::QueuedConnection);
    // Connected last, so the window's slot is already on its way: the first run lingers in run().
    bool lingered = false;
    connect(
        &run.thread, &UpdateThread::finished, this,
        [&] {
            if (!std::exchange(lingered, true))
                QThread::msleep(300);
        },
        Qt::DirectConnection);

    run.thread.start();
    QTRY_COMPARE_WITH_TIMEOUT(received, 2, 20000);
    QVERIFY(run.thread.wait(5000));
    const QStringList twice = tenLineRequests() + tenLineRequests();
    QCOMPARE(settledRequests(device, twice.size()), twice);
}

// The job repeated because the device still asked for firmware: its loader filled in the
// check value the first time, so a reply to CONNECT without one is a refusal now.
void tst_UpdateThread::checkValueKeptInRepeat()
{
    SimulatedPorts ports;
    QVERIFY(ports.add(Port, DeviceProfile::ready(),
                      {DeviceFault::on("CONNECT", DeviceFault::NoCheck, 1, -1)}));
    JobRun run;
    QVERIFY(run.run(PortName, write(dir, tenLines()), false, true));
    run.thread.restart();
    QVERIFY(run.thread.wait(60000));
    QCOMPARE(run.report().finishes,
             run.once(PortName, 1, 0, true) + run.once(PortName, -5, 0, true));
}

void tst_UpdateThread::heldPortWaitedFor_data()
{
    QTest::addColumn<int>("heldMs");
    QTest::addColumn<int>("result");
    QTest::addColumn<QByteArray>("file");
    // Another window's scan probes the device just as the job starts, for as long as two
    // probes of a silent port may take.
    QTest::newRow("held for a moment") << 700 << 1 << tenLines();
    QTest::newRow("held for good") << 3000 << -1 << tenLines();
    // The file is checked before the port is opened, which would have waited for it.
    QTest::newRow("held, file corrupted") << 3000 << -3 << tenLines() + "0102\n";
}

void tst_UpdateThread::heldPortWaitedFor()
{
    QFETCH(int, heldMs);
    QFETCH(int, result);
    QFETCH(QByteArray, file);
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port);
    QVERIFY(device);
    auto holder = std::make_unique<SecondOpener>(device->portPath());
    QVERIFY(holder->lock());
    std::thread release([&holder, heldMs] {
        std::this_thread::sleep_for(std::chrono::milliseconds(heldMs));
        holder.reset();
    });
    JobRun run;
    const bool ran = run.run(PortName, write(dir, file), false, true);
    release.join();
    QVERIFY(ran);
    QCOMPARE(run.report().finishes, run.once(PortName, result, 0, result > 0));
    if (result < 0)
        QCOMPARE(device->log().size(), 0);
}

namespace {

// The pauses at full length, so that the line's own delays stay well below the shortest of them;
// the ticks, which add up to seconds, shortened.
constexpr double TickScale = 0.1;
// A pause after an answered frame starts once the answer is in, after the device logged the
// frame. After a RESET, which gets no answer, it starts as the frame goes out: the device's
// thread, waking up late to the frame on a loaded machine, may log it up to this much later.
constexpr int LateWakeMs = 30;

constexpr int tickTime(int ticks)
{
    return int(ticks * ProtocolTiming::tickMs * TickScale);
}

} // namespace

tst_UpdateThread::TimedJob tst_UpdateThread::timedJob()
{
    ProtocolTiming::setScale(1.0);
    ProtocolTiming::setTickScale(TickScale);
    // Read time-outs run out only for a frame lost to the device's restart.
    ProtocolTiming::setTimeoutScale(0.1);
    DeviceProfile profile = DeviceProfile::ready();
    profile.resetSettleMs = ProtocolTiming::loaderResetPauseMs - LateWakeMs;
    SimulatedPorts ports;
    SimulatedDevice *device =
        ports.add(Port, profile, {DeviceFault::on("scal", DeviceFault::BadStatus)});
    QTemporaryDir dir;
    JobRun run;
    if (!device || !run.run(SimulatedPorts::portName(Port), write(dir, tenLines()), true, true))
        return {};
    return {device->log().records(), std::chrono::steady_clock::now()};
}

void tst_UpdateThread::pauses_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("occurrence"); // of `from`, counted from 1
    QTest::addColumn<QString>("to"); // empty: the job's end
    QTest::addColumn<int>("leastMs");

    const auto row = [](const char *name, const char *from, int occurrence, const char *to,
                        int leastMs) {
        QTest::newRow(name) << QString(from) << occurrence << QString(to) << leastMs;
    };
    using T = ProtocolTiming;
    row("reset into the loader", "RESET", 1, "CONNECT", T::loaderResetPauseMs);
    row("section address", "NEW SECTION", 1, "WRITE DATA", T::sectionPauseMs);
    row("before the restart", "DISCONNECT", 1, "RESET", T::restartPauseMs);
    row("restart ticks", "RESET", 2, "gfwv", T::loaderResetPauseMs + tickTime(T::restartTicks));
    row("calibration mode", "calb", 1, "rdan", T::calibrationModePauseMs);
    row("old calibration block", "scal", 1, "s002", T::oldCalibrationPauseMs);
    row("closing ticks", "RESET", 3, "", T::loaderResetPauseMs + tickTime(T::calibrationTicks));
}

// Every pause on the wire: the time between a frame and the next one the device heard, or the
// job's end, measured where the device received them.
void tst_UpdateThread::pauses()
{
    QFETCH(QString, from);
    QFETCH(int, occurrence);
    QFETCH(QString, to);
    QFETCH(int, leastMs);
    static const TimedJob job = timedJob();
    // Every frame heard, none lost to a restart.
    QStringList heard;
    for (const WireRecord &record : job.heard)
        heard << record.request + (record.fault == QLatin1String("restarting") ? " lost" : "");
    QStringList calibration = calibrationRequests();
    calibration.insert(calibration.indexOf("save"), "s002");
    QCOMPARE(heard, tenLineRequests() + calibration);

    qsizetype at = -1;
    for (int seen = 0; seen < occurrence && at + 1 < job.heard.size();)
        seen += job.heard.at(++at).request == from;
    QCOMPARE(job.heard.at(at).request, from);
    const bool last = at + 1 == job.heard.size();
    QCOMPARE(last ? QString() : job.heard.at(at + 1).request, to);
    const auto gap = (last ? job.over : job.heard.at(at + 1).received) - job.heard.at(at).received;
    const qint64 gapMs = std::chrono::duration_cast<std::chrono::milliseconds>(gap).count();
    const int lateBy = job.heard.at(at).reply.isEmpty() ? LateWakeMs : 1;
    QVERIFY2(gapMs >= leastMs - lateBy, qPrintable(QString::number(gapMs)));
}

QTEST_GUILESS_MAIN(tst_UpdateThread)
#include "tst_updatethread.moc"
