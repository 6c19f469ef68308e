#include "JobRun.h"
#include "LoaderCommands.h"
#include "ProtocolTiming.h"
#include "SecondOpener.h"
#include "SimulatedPorts.h"
#include "TestFirmware.h"
#include "crc16.h"

#include <QtTest>

#include <utility>

using namespace TestFirmware;
using Faults = QList<DeviceFault>;

namespace {

constexpr int Port = 7;
constexpr int NoUnplug = -1000;

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
    void wireFrames_data();
    void wireFrames();
    void emptyWriteData();
    void outcomes_data();
    void outcomes();
    void resetRetries_data();
    void resetRetries();
    void restartAfterRunReturned();

private:
    QTemporaryDir dir;
    const QString PortName = SimulatedPorts::portName(Port);
};

void tst_UpdateThread::init()
{
    // Shortened pauses and ticks for every test that doesn't measure them.
    ProtocolTiming::setScale(0.01);
    ProtocolTiming::setTimeoutScale(1.0);
}

void tst_UpdateThread::wireFrames_data()
{
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::addColumn<bool>("fullLength");
    QTest::newRow("lf, pauses at full length") << QByteArray("\n") << true;
    QTest::newRow("crlf") << QByteArray("\r\n") << false;
}

// Every kind of line, with the frame it must become on the wire.
void tst_UpdateThread::wireFrames()
{
    QFETCH(QByteArray, lineEnd);
    QFETCH(bool, fullLength);
    const QByteArray forty(40, 'A'), twenty = "0123456789abcdefghij", thirtyOne(31, 'C');
    const QList<QByteArray> lines {"@00001000", "VER:2.5.77",     forty,        twenty,     "",
                                   thirtyOne,   "@0000200A tail", "0123456789", "FEDCBA98", "77"};
    QByteArray file;
    for (const QByteArray &line : lines)
        file += line + lineEnd;
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

    if (fullLength)
        ProtocolTiming::setScale(1.0);
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port);
    QVERIFY(device);
    JobRun run;
    QVERIFY(run.run(PortName, write(dir, file), false, true));

    const QList<WireRecord> records = settledRecords(device, expected.size());
    QList<QByteArray> sent;
    for (const WireRecord &record : records)
        sent << record.bytes;
    QCOMPARE(sent, expected);
    QCOMPARE(run.report().finishes, run.once(PortName, 1, 0, true));
    if (!fullLength)
        return;

    // Arrival times on the device's side carry its own reading delay; allow for it.
    const int deviceSlack = 50;
    // RESET, then CONNECT after the reset's pause; NEW SECTION, then its pause.
    QVERIFY(JobRun::msBetween(records[0].received, records[1].received) >= 100 - deviceSlack);
    QVERIFY(JobRun::msBetween(records[2].received, records[3].received) >= 500 - deviceSlack);
    // 85 %, the pause before the restart, the final reset and its own pause, the first tick.
    const auto times = run.report().progressTimes;
    const int last = int(lines.size());
    QCOMPARE(times.size(), last + 16);
    QVERIFY(JobRun::msBetween(times[last], records.last().received) >= 500);
    QVERIFY(JobRun::msBetween(times[last], times[last + 1]) >= 500 + 100 + 500);
    for (int k = last + 2; k < times.size(); ++k)
        QVERIFY2(JobRun::msBetween(times[k - 1], times[k]) >= 500, qPrintable(QString::number(k)));
}

// No file line makes an empty data frame; the command alone must still frame it right.
void tst_UpdateThread::emptyWriteData()
{
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, DeviceProfile::loader());
    QVERIFY(device);
    ComPort link;
    QVERIFY(link.setTimeouts(LinkTimeouts::reads(500, 10).writes(0, 1000)));
    QVERIFY(link.open(SimulatedPorts::portNameBytes(Port).constData(), false));
    LoaderCommands loader(link);
    QVERIFY(loader.loaderConnect() && loader.loaderSetAddress("00001000"));
    QVERIFY(loader.loaderWriteData(QByteArray()));
    link.close();
    QCOMPARE(settledRecords(device, 3).last().bytes, QByteArray::fromHex("4411000044d1"));
}

void tst_UpdateThread::outcomes_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QByteArray>("file"); // empty: no file at the path
    QTest::addColumn<bool>("calibrate");
    QTest::addColumn<int>("unplugAt"); // progress value at which the plug is pulled

    const auto row = [](const char *name, const Faults &faults, int result,
                        const QList<int> &progress, const QStringList &requests,
                        const QByteArray &file = tenLines(), bool calibrate = false,
                        int unplugAt = NoUnplug) {
        QTest::newRow(name) << faults << result << progress << requests << file << calibrate
                            << unplugAt;
    };
    const QStringList connected {"RESET", "CONNECT", "NEW SECTION"};
    const QStringList beforeDisconnect = tenLineRequests().mid(0, 11);
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
    row("write data refused", fault("WRITE DATA", DeviceFault::BadStatus, 2), -8, {8, 17, 25, -8},
        connected + QStringList(3, "WRITE DATA"));
    row("write data answered with the connect code", answersConnectCode, -8, {8, -8},
        connected + QStringList {"WRITE DATA"});
    row("disconnect refused", fault("DISCONNECT", DeviceFault::BadStatus), -6,
        {8, 17, 25, 34, 42, 51, 59, 68, 76, -6}, beforeDisconnect + QStringList {"DISCONNECT"});
    // A loader that filled the check value into its reply to CONNECT must go on doing so; one
    // that never does is taken at its word, as before.
    row("write data reply with a wrong check value", fault("WRITE DATA", DeviceFault::BadCheck, 2),
        -8, {8, 17, 25, -8}, connected + QStringList(3, "WRITE DATA"));
    row("loader that fills in no check values",
        fault("CONNECT", DeviceFault::BadCheck) + fault("WRITE DATA", DeviceFault::BadCheck, 2), 1,
        tenLineProgress(), tenLineRequests());
    // A partial image marked finished, or an erased device, for a file that is no image.
    row("line after the end line", {}, -3, {-3}, {}, tenLines() + "0102\n");
    row("final reset can't be written", {}, 1, tenLineProgress(), tenLineRequests().mid(0, 12),
        tenLines(), false, 85);
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
    QFETCH(int, unplugAt);

    // Silent frames wait out the read time-out; a tenth of it is plenty for the simulator.
    ProtocolTiming::setTimeoutScale(0.1);
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, DeviceProfile::ready(), faults);
    QVERIFY(device);
    JobRun run(device, unplugAt);
    const QString path = file.isEmpty() ? dir.filePath("absent.cod") : write(dir, file);
    QVERIFY(run.run(PortName, path, calibrate, true));

    QCOMPARE(run.report().progress, progress);
    QCOMPARE(settledRequests(device, requests.size()), requests);
    QCOMPARE(run.report().finishes,
             run.once(PortName, result, 0, device->mode() != DeviceMode::Unplugged));
}

void tst_UpdateThread::resetRetries_data()
{
    QTest::addColumn<double>("releaseAfter"); // attempts; 0: another program holds the port
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("requests");

    QTest::newRow("written at the fifth attempt") << 4.5 << 1 << tenLineRequests();
    QTest::newRow("not written in five attempts") << 5.5 << -4 << QStringList();
    QTest::newRow("port held elsewhere") << 0.0 << -1 << QStringList();
}

// A RESET fails only when its frame can't be written: here the line holds every byte back
// until the write time-out has passed.
void tst_UpdateThread::resetRetries()
{
    QFETCH(double, releaseAfter);
    QFETCH(int, result);
    QFETCH(QStringList, requests);

    // Four bytes at 5000 ms each, shortened: one attempt lasts 1000 ms, so that the line is
    // released half an attempt away from either end of one.
    ProtocolTiming::setTimeoutScale(0.05);
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port);
    QVERIFY(device);
    SecondOpener other(device->portPath());
    JobRun run;
    if (releaseAfter > 0) {
        QVERIFY(other.holdOutput());
        run.thread.setJob(PortName, write(dir, tenLines()), false, true, 12.0);
        run.thread.start();
        QVERIFY(other.waitForLineSettings(5000));
        QThread::msleep(int(releaseAfter * 1000));
        QVERIFY(other.releaseOutput());
        QVERIFY(run.thread.wait(30000));
    } else {
        QVERIFY(other.lock());
        QVERIFY(run.run(PortName, write(dir, tenLines()), true, true));
    }

    QCOMPARE(settledRequests(device, requests.size()), requests);
    QCOMPARE(run.report().finishes, run.once(PortName, result, 0, releaseAfter > 0));
    QCOMPARE(run.report().progress, result == 1 ? tenLineProgress() : QList<int> {result});
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

    int received = 0;
    QObject window;
    connect(
        &run.thread, &UpdateThread::finished, &window,
        [&](UpdateThread *thread) {
            if (++received == 1)
                thread->restart();
        },
        Qt::QueuedConnection);
    // Connected last, so the window's slot is already on its way: the first run stays in
    // run() a little longer, while the window restarts it.
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
    QCOMPARE(run.report().progress, tenLineProgress() + tenLineProgress());
    QCOMPARE(run.report().finishes.size(), 2);
}

QTEST_GUILESS_MAIN(tst_UpdateThread)
#include "tst_updatethread.moc"
