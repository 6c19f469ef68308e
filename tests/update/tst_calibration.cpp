#include "JobRun.h"
#include "ProtocolTiming.h"
#include "SimulatedPorts.h"
#include "TestFirmware.h"

#include <QtTest>

using TestFirmware::range;
using Words = QList<qint16>;

namespace {

constexpr int Port = 9;
constexpr int NoUnplug = -1000;

struct Case
{
    DeviceProfile profile;
    int result = 0;
    int lastStep = 0; // progress runs from 200 to here, then gives the result of a failure
    QStringList requests = {};
    Words stored = {}; // the "scal" block, or else the "s002" block
    double vref = 12.0;
    int unplugAt = NoUnplug;
    QList<DeviceFault> faults = {};
};

DeviceProfile measuring(qint16 m0, qint16 m1, qint16 m4, qint16 m5)
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.measurements[0] = m0;
    profile.measurements[1] = m1;
    profile.measurements[4] = m4;
    profile.measurements[5] = m5;
    return profile;
}

DeviceProfile unanswering(const QSet<QByteArray> &commands)
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.unanswered = commands;
    return profile;
}

// The 40 words "scal" stores: four coefficients, the model's constant, then fixed words.
Words block(Words words)
{
    words.resize(40);
    words[5] = 5280;
    words[25] = -132;
    return words;
}

QByteArray littleEndian(const Words &words)
{
    QByteArray bytes;
    for (qint16 w : words)
        bytes.append(char(quint16(w) & 0xff)).append(char(quint16(w) >> 8));
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Case)

class tst_Calibration : public QObject
{
    Q_OBJECT

private slots:
    void calibrate_data();
    void calibrate();
};

void tst_Calibration::calibrate_data()
{
    QTest::addColumn<Case>("c");

    const QStringList full = TestFirmware::calibrationRequests();
    // The simulator's measurements are m0 = m1 = m5 = 1000 and m4 = 1200:
    // 100 · 12 · 1024 / 1000 = 1228.8; / 1200 = 1024.
    const DeviceProfile ready = DeviceProfile::ready();
    const Words readyBlock = block({1228, 1228, 1024, 1228, 6606});
    DeviceProfile otherModel = measuring(-1000, 1000, 1200, -3000);
    otherModel.model = "XY";
    const DeviceProfile atLimit = measuring(1024, 1024, 1024, 1024);
    DeviceProfile noGeti = ready;
    noGeti.getiLength = 0;
    DeviceProfile initSilent = unanswering({"init"});
    initSilent.calbNeedsInit = true;
    const QStringList legacyRequests {"gfwv", "g001", "rdan", "1234", "geti",
                                      "geti", "calb", "init", "calb", "rdan",
                                      "1234", "scal", "s002", "save", "RESET"};

    QTest::newRow("model DL, external power exactly 50") << Case {
        measuring(1000, 1000, 50, 1000), 0, 220, full, block({1228, 1228, 24576, 1228, 6606})};
    // Negative quotients truncate toward zero: -409.6 gives -409.
    QTest::newRow("other model, negative measurements")
        << Case {otherModel, 0, 220, full, block({-1228, 1228, 1024, -409, 1320})};
    // 100 · 327.675 · 1024 / 1024 = 32767.5, the largest quotient a word holds.
    QTest::newRow("quotients just below the word's limit")
        << Case {atLimit, 0, 220, full, block({32767, 32767, 32767, 32767, 6606}), 327.675};
    // Words 0 to 5 and 20 to 25 of the block, in the old format.
    const Words oldBlock {1228, 1228, 1024, 1228, 1320, 5280, 0, 0, 0, 0, 0, -132};
    QTest::newRow("legacy firmware")
        << Case {DeviceProfile::legacy(), 0, 220, legacyRequests, oldBlock};

    // Firmware whose version came with a valid check value must keep filling it in: a wrong
    // one in the measurements is read again, never computed into coefficients.
    Case reread {ready, 0, 220, full.mid(0, 2) + full.mid(1), readyBlock};
    reread.faults = {DeviceFault::on("rdan", DeviceFault::BadCheck)};
    QTest::newRow("measurements with a wrong check value read again") << reread;
    Case badChecks {ready, -204, 201, {"gfwv", "rdan", "rdan", "rdan", "rdan"}};
    badChecks.faults = {DeviceFault::on("rdan", DeviceFault::BadCheck, 0, -1)};
    QTest::newRow("measurements with a wrong check value every time") << badChecks;
    Case unchecked {ready, 0, 220, full, readyBlock};
    unchecked.faults = {DeviceFault::on("gfwv", DeviceFault::NoCheck),
                        DeviceFault::on("rdan", DeviceFault::NoCheck, 0, -1),
                        DeviceFault::on("geti", DeviceFault::NoCheck)};
    QTest::newRow("firmware that fills in no check values") << unchecked;
    QTest::newRow("external power 49")
        << Case {measuring(1000, 1000, 49, 1000), -207, 201, {"gfwv", "rdan"}};
    QTest::newRow("gfwv and g001 silent")
        << Case {unanswering({"gfwv", "g001"}), -208, 200, {"gfwv", "g001"}};
    QTest::newRow("geti silent") << Case {noGeti, -202, 202, {"gfwv", "rdan", "geti", "geti"}};
    QTest::newRow("calb ignored and init silent")
        << Case {initSilent, -203, 203, {"gfwv", "rdan", "geti", "calb", "init"}};
    Case gone {unanswering({"1234"}), -204, 205, {"gfwv", "rdan", "geti", "calb", "rdan", "1234"}};
    gone.faults = {DeviceFault::on("rdan", DeviceFault::NoReply, 1, -1)};
    QTest::newRow("measurements gone in calibration mode") << gone;
    QTest::newRow("zero measurement")
        << Case {measuring(1000, 0, 1200, 1000), -204, 207, full.mid(0, 5)};
    QTest::newRow("quotient at the word's limit")
        << Case {atLimit, -204, 207, full.mid(0, 5), {}, 327.68};
    QTest::newRow("scal and s002 refused")
        << Case {unanswering({"scal", "s002"}), -200, 208, full.mid(0, 6) + QStringList {"s002"}};
    QTest::newRow("reset can't be written")
        << Case {ready, -205, 210, full.mid(0, 7), readyBlock, 12.0, 210};
}

void tst_Calibration::calibrate()
{
    QFETCH(Case, c);

    ProtocolTiming::setScale(0.01);
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, c.profile, c.faults);
    QVERIFY(device);
    JobRun run(device, c.unplugAt);
    QVERIFY(
        run.run(SimulatedPorts::portName(Port), QStringLiteral("unused.cod"), true, false, c.vref));
    QCOMPARE(settledRequests(device, c.requests.size()), c.requests);
    QCOMPARE(run.report().progress,
             range(200, c.lastStep) + (c.result ? QList<int> {c.result} : QList<int>()));
    QCOMPARE(run.report().finishes,
             run.once(SimulatedPorts::portName(Port), 1, c.result, c.unplugAt == NoUnplug));
    QCOMPARE(c.stored.size() == 40 ? device->state().calibration : device->state().oldCalibration,
             littleEndian(c.stored));
}

QTEST_GUILESS_MAIN(tst_Calibration)
#include "tst_calibration.moc"
