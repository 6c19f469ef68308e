#include "ComPort.h"
#include "ModeProbe.h"
#include "SimulatedPorts.h"

#include <QTest>

namespace {

// Only a device that never logs a request waits this long.
constexpr int DeviceLagMs = 5000;

} // namespace

class TestModeProbe : public QObject
{
    Q_OBJECT

private slots:
    void probe_data();
    void probe();
};

void TestModeProbe::probe_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<bool>("isp"); // the ISP probe, at one stop bit; else the firmware probe
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("requests");

    DeviceProfile yes = DeviceProfile::ready();
    yes.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    DeviceFault shortErrc = DeviceFault::on("1g", DeviceFault::ShortReply);
    shortErrc.bytes = 3;
    const DeviceFault badCheck = DeviceFault::on("1g", DeviceFault::BadCheck);
    // Starts like the loader's EC EE answer, but as an 8-byte reply with a wrong check value.
    DeviceFault staleLoaderAnswer = DeviceFault::on("1g", DeviceFault::Garbage);
    staleLoaderAnswer.payload = QByteArray("\xEC\xEE\0\0nn\0\0", 8);
    DeviceFault otherByte = DeviceFault::on("?", DeviceFault::Garbage);
    otherByte.payload = "!";
    const QStringList statusOnly {"1g"};
    const QStringList both {"1g", "loader-probe"};
    const int runs = ModeProbe::FirmwareRuns;
    const int none = ModeProbe::NoFirmware;
    const int unknown = ModeProbe::Unrecognised;

    QTest::newRow("errc") << DeviceProfile::ready() << QList<DeviceFault> {} << false << runs
                          << statusOnly;
    QTest::newRow("errc cut short")
        << DeviceProfile::ready() << QList<DeviceFault> {shortErrc} << false << unknown << both;
    QTest::newRow("yy") << yes << QList<DeviceFault> {} << false << runs << statusOnly;
    QTest::newRow("nn") << DeviceProfile::loader() << QList<DeviceFault> {} << false << none
                        << statusOnly;
    QTest::newRow("nn with a wrong check value, EC EE")
        << DeviceProfile::loader() << QList<DeviceFault> {badCheck} << false << none << both;
    QTest::newRow("EC EE left from the status query")
        << DeviceProfile::loader()
        << QList<DeviceFault> {staleLoaderAnswer,
                               DeviceFault::on("loader-probe", DeviceFault::NoReply)}
        << false << unknown << both;
    QTest::newRow("silence") << DeviceProfile::silent() << QList<DeviceFault> {} << false << unknown
                             << QStringList {"ignored", "ignored"};
    QTest::newRow("ISP echo") << DeviceProfile::isp() << QList<DeviceFault> {} << true << 1
                              << QStringList {"?"};
    QTest::newRow("ISP: another byte")
        << DeviceProfile::isp() << QList<DeviceFault> {otherByte} << true << 0 << QStringList {"?"};
    QTest::newRow("ISP: no echo") << DeviceProfile::isp()
                                  << QList<DeviceFault> {DeviceFault::on("?", DeviceFault::NoReply)}
                                  << true << 0 << QStringList {"?"};
}

// The firmware probe runs as the window's twin does after an update: its own link, its own
// time-outs.
void TestModeProbe::probe()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(bool, isp);
    QFETCH(int, result);
    QFETCH(QStringList, requests);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(5, profile, faults);
    QVERIFY(device);
    ComPort link;
    link.setTimeouts(LinkTimeouts::reads(130, 10).writes(0, 1000));
    QVERIFY(link.open(SimulatedPorts::portNameBytes(5).constData(), isp ? StopBits::One : StopBits::Two));

    QCOMPARE(isp ? int(ModeProbe::checkIsp(link))
                 : ModeProbe::checkFirmware(link, ModeProbe::WindowTimeouts),
             result);
    QVERIFY2(link.usesPort(SimulatedPorts::portName(5)), "the probe leaves the link open");
    link.close();
    // A request that went unanswered may be logged a moment after the probe gave up on it.
    QCOMPARE(device->log().takeRequests(int(requests.size()), DeviceLagMs), requests);
}

QTEST_GUILESS_MAIN(TestModeProbe)
#include "tst_modeprobe.moc"
