#include "JobRun.h"
#include "ProtocolTiming.h"
#include "SimulatedPorts.h"
#include "TestFirmware.h"
#include "UpdateThread.h"

#include <QtTest>

using TestFirmware::range;
using Faults = QList<DeviceFault>;
using Words = QList<qint16>;

namespace {

constexpr int Port = 9;
constexpr int NoUnplug = -1000;

DeviceProfile withMeasurements(DeviceProfile profile, qint16 m0, qint16 m1, qint16 m4, qint16 m5)
{
    profile.measurements[0] = m0;
    profile.measurements[1] = m1;
    profile.measurements[4] = m4;
    profile.measurements[5] = m5;
    return profile;
}

DeviceProfile unanswering(DeviceProfile profile, const QSet<QByteArray> &commands)
{
    profile.unanswered += commands;
    return profile;
}

QByteArray littleEndian(const Words &words)
{
    QByteArray bytes;
    for (qint16 w : words)
        bytes.append(char(quint16(w) & 0xff)).append(char(quint16(w) >> 8));
    return bytes;
}

// The 40 words "scal" stores: four coefficients, the model's constant, then fixed words.
Words block(qint16 w0, qint16 w1, qint16 w2, qint16 w3, qint16 w4)
{
    Words words(40, 0);
    words[0] = w0;
    words[1] = w1;
    words[2] = w2;
    words[3] = w3;
    words[4] = w4;
    words[5] = 5280;
    words[25] = -132;
    return words;
}

const QStringList fullRequests = TestFirmware::calibrationRequests();

QList<int> failedAfter(int lastStep, int code)
{
    return range(200, lastStep) + QList<int> {code};
}

const WireRecord *find(const QList<WireRecord> &records, const QString &request, int occurrence)
{
    for (const WireRecord &record : records) {
        if (record.request == request && occurrence-- == 0)
            return &record;
    }
    return nullptr;
}

} // namespace

class tst_Calibration : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void calibrate_data();
    void calibrate();
    void fullLengthLegacy();

private:
    struct Outcome
    {
        QList<int> progress;
        QList<JobRun::Clock::time_point> progressTimes;
        QList<JobRun::Finish> finishes;
        QList<WireRecord> records;
        QStringList requests;
        DeviceState state;
    };
    // Runs a calibration job; the outcome holds what the device logged once it had `requests`.
    static bool calibrateOn(const DeviceProfile &profile, const Faults &faults, double vref,
                            int unplugAt, int requests, Outcome *outcome);
};

void tst_Calibration::init()
{
    ProtocolTiming::setScale(0.01);
    ProtocolTiming::setTimeoutScale(1.0);
}

void tst_Calibration::calibrate_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<double>("vref");
    QTest::addColumn<int>("unplugAt");
    QTest::addColumn<int>("result");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<Words>("stored"); // the "scal" block, or else the "s002" block

    const DeviceProfile ready = withMeasurements(DeviceProfile::ready(), 1000, 1000, 1200, 1000);
    DeviceProfile otherModel = ready;
    otherModel.model = "XY";
    const DeviceProfile atLimit = withMeasurements(ready, 1024, 1024, 1024, 1024);
    DeviceProfile noGeti = ready;
    noGeti.getiLength = 0;
    DeviceProfile initSilent = unanswering(ready, {"init"});
    initSilent.calbNeedsInit = true;
    const DeviceFault rdanGone = DeviceFault::on("rdan", DeviceFault::NoReply, 1, -1);

    // 100 · 12 · 1024 / 1000 = 1228.8; / 1200 = 1024.
    QTest::newRow("model DL") << ready << Faults() << 12.0 << NoUnplug << 0 << range(200, 220)
                              << fullRequests << block(1228, 1228, 1024, 1228, 6606);
    QTest::newRow("other model") << otherModel << Faults() << 12.0 << NoUnplug << 0
                                 << range(200, 220) << fullRequests
                                 << block(1228, 1228, 1024, 1228, 1320);
    QTest::newRow("negative quotient truncates toward zero")
        << withMeasurements(ready, -1000, 1000, 1200, -3000) << Faults() << 12.0 << NoUnplug << 0
        << range(200, 220) << fullRequests << block(-1228, 1228, 1024, -409, 6606);
    QTest::newRow("external power exactly 50")
        << withMeasurements(ready, 1000, 1000, 50, 1000) << Faults() << 12.0 << NoUnplug << 0
        << range(200, 220) << fullRequests << block(1228, 1228, 24576, 1228, 6606);
    // 100 · 327.675 · 1024 / 1024 = 32767.5, the largest quotient a word holds.
    QTest::newRow("quotients just below the word's limit")
        << atLimit << Faults() << 327.675 << NoUnplug << 0 << range(200, 220) << fullRequests
        << block(32767, 32767, 32767, 32767, 6606);
    QTest::newRow("legacy firmware")
        << DeviceProfile::legacy() << Faults() << 12.0 << NoUnplug << 0 << range(200, 220)
        << QStringList {"gfwv", "g001", "rdan", "1234", "geti", "geti", "calb", "init",
                        "calb", "rdan", "1234", "scal", "s002", "save", "RESET"}
        << Words {1228, 1228, 1024, 1228, 1320, 5280, 0, 0, 0, 0, 0, -132};

    QTest::newRow("external power 49")
        << withMeasurements(ready, 1000, 1000, 49, 1000) << Faults() << 12.0 << NoUnplug << -207
        << failedAfter(201, -207) << QStringList {"gfwv", "rdan"} << Words();
    QTest::newRow("gfwv and g001 silent")
        << unanswering(ready, {"gfwv", "g001"}) << Faults() << 12.0 << NoUnplug << -208
        << failedAfter(200, -208) << QStringList {"gfwv", "g001"} << Words();
    QTest::newRow("no measurements")
        << unanswering(ready, {"rdan", "1234"}) << Faults() << 12.0 << NoUnplug << -204
        << failedAfter(201, -204) << QStringList {"gfwv", "rdan", "1234"} << Words();
    QTest::newRow("geti silent") << noGeti << Faults() << 12.0 << NoUnplug << -202
                                 << failedAfter(202, -202)
                                 << QStringList {"gfwv", "rdan", "geti", "geti"} << Words();
    QTest::newRow("calb ignored and init silent")
        << initSilent << Faults() << 12.0 << NoUnplug << -203 << failedAfter(203, -203)
        << QStringList {"gfwv", "rdan", "geti", "calb", "init"} << Words();
    QTest::newRow("measurements gone in calibration mode")
        << unanswering(ready, {"1234"}) << Faults {rdanGone} << 12.0 << NoUnplug << -204
        << failedAfter(205, -204) << QStringList {"gfwv", "rdan", "geti", "calb", "rdan", "1234"}
        << Words();
    QTest::newRow("zero measurement")
        << withMeasurements(ready, 1000, 0, 1200, 1000) << Faults() << 12.0 << NoUnplug << -204
        << failedAfter(207, -204) << fullRequests.mid(0, 5) << Words();
    // 1228800 / 37 = 33210: its low 16 bits would store -32326.
    QTest::newRow("quotient beyond a word")
        << withMeasurements(ready, 1000, 37, 1200, 1000) << Faults() << 12.0 << NoUnplug << -204
        << failedAfter(207, -204) << fullRequests.mid(0, 5) << Words();
    QTest::newRow("quotient at the word's limit")
        << atLimit << Faults() << 327.68 << NoUnplug << -204 << failedAfter(207, -204)
        << fullRequests.mid(0, 5) << Words();
    QTest::newRow("scal and s002 refused")
        << unanswering(ready, {"scal", "s002"}) << Faults() << 12.0 << NoUnplug << -200
        << failedAfter(208, -200) << fullRequests.mid(0, 6) + QStringList {"s002"} << Words();
    QTest::newRow("save silent") << unanswering(ready, {"save"}) << Faults() << 12.0 << NoUnplug
                                 << -201 << failedAfter(209, -201) << fullRequests.mid(0, 7)
                                 << block(1228, 1228, 1024, 1228, 6606);
    QTest::newRow("reset can't be written")
        << ready << Faults() << 12.0 << 210 << -205 << failedAfter(210, -205)
        << fullRequests.mid(0, 7) << block(1228, 1228, 1024, 1228, 6606);
}

void tst_Calibration::calibrate()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(Faults, faults);
    QFETCH(double, vref);
    QFETCH(int, unplugAt);
    QFETCH(int, result);
    QFETCH(QList<int>, progress);
    QFETCH(QStringList, requests);
    QFETCH(Words, stored);

    Outcome outcome;
    QVERIFY(calibrateOn(profile, faults, vref, unplugAt, int(requests.size()), &outcome));

    QCOMPARE(outcome.progress, progress);
    QCOMPARE(outcome.requests, requests);
    QCOMPARE(outcome.finishes.size(), 1);
    QCOMPARE(outcome.finishes.first().updateResult, 1);
    QCOMPARE(outcome.finishes.first().calbResult, result);
    if (unplugAt == NoUnplug)
        QVERIFY(outcome.finishes.first().portFree);
    const QByteArray written =
        stored.size() == 40 ? outcome.state.calibration : outcome.state.oldCalibration;
    QCOMPARE(written, littleEndian(stored));
}

// An old device, with every fallback taken, at the real length of every pause and tick.
void tst_Calibration::fullLengthLegacy()
{
    ProtocolTiming::setScale(1.0);
    Outcome outcome;
    QVERIFY(calibrateOn(DeviceProfile::legacy(), Faults(), 12.0, NoUnplug, 0, &outcome));
    QCOMPARE(outcome.progress, range(200, 220));
    QCOMPARE(outcome.finishes.first().calbResult, 0);

    // Arrival times on the device's side carry its own reading delay; allow for it.
    const int deviceSlack = 50;
    const WireRecord *secondCalb = find(outcome.records, "calb", 1);
    const WireRecord *rdanInMode = find(outcome.records, "rdan", 1);
    const WireRecord *scal = find(outcome.records, "scal", 0);
    const WireRecord *s002 = find(outcome.records, "s002", 0);
    QVERIFY(secondCalb && rdanInMode && scal && s002);
    QVERIFY(JobRun::msBetween(secondCalb->received, rdanInMode->received) >= 100 - deviceSlack);
    QVERIFY(JobRun::msBetween(scal->received, s002->received) >= 600 - deviceSlack);
    const auto times = outcome.progressTimes;
    // 210, the reset's pause, then ten ticks.
    QVERIFY(JobRun::msBetween(times[10], times[11]) >= 100 + 500);
    for (int k = 12; k < times.size(); ++k)
        QVERIFY2(JobRun::msBetween(times[k - 1], times[k]) >= 500, qPrintable(QString::number(k)));
}

bool tst_Calibration::calibrateOn(const DeviceProfile &profile, const Faults &faults, double vref,
                                  int unplugAt, int requests, Outcome *outcome)
{
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, profile, faults);
    if (!device)
        return false;
    JobRun run;
    run.unplugAt(unplugAt, device);
    run.setJob(SimulatedPorts::portName(Port), QStringLiteral("unused.cod"), true, false, vref);
    if (!run.startAndWait())
        return false;
    outcome->records = settledRecords(device, requests);
    outcome->progress = run.progress();
    outcome->progressTimes = run.progressTimes();
    outcome->finishes = run.finishes();
    for (const WireRecord &record : outcome->records)
        outcome->requests << record.request;
    outcome->state = device->state();
    return true;
}

QTEST_GUILESS_MAIN(tst_Calibration)
#include "tst_calibration.moc"
