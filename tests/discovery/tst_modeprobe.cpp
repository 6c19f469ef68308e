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
    void firmwareProbe_data();
    void firmwareProbe();
    void ispProbe_data();
    void ispProbe();
};

void TestModeProbe::firmwareProbe_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("requests");

    DeviceProfile yes = DeviceProfile::ready();
    yes.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    DeviceFault shortErrc = DeviceFault::on("1g", DeviceFault::ShortReply);
    shortErrc.bytes = 3;
    // Starts like the loader's EC EE answer, but as an 8-byte reply with a wrong check value.
    DeviceFault staleLoaderAnswer = DeviceFault::on("1g", DeviceFault::Garbage);
    staleLoaderAnswer.payload = QByteArray("\xEC\xEE\0\0nn\0\0", 8);
    const QStringList statusOnly {"1g"};
    const QStringList both {"1g", "loader-probe"};

    QTest::newRow("errc") << DeviceProfile::ready() << QList<DeviceFault> {}
                          << int(ModeProbe::FirmwareRuns) << statusOnly;
    QTest::newRow("errc cut short") << DeviceProfile::ready() << QList<DeviceFault> {shortErrc}
                                    << int(ModeProbe::Unrecognised) << both;
    QTest::newRow("yy") << yes << QList<DeviceFault> {} << int(ModeProbe::FirmwareRuns)
                        << statusOnly;
    QTest::newRow("yy with a wrong check value")
        << yes << QList<DeviceFault> {DeviceFault::on("1g", DeviceFault::BadCheck)}
        << int(ModeProbe::Unrecognised) << both;
    QTest::newRow("nn") << DeviceProfile::loader() << QList<DeviceFault> {}
                        << int(ModeProbe::NoFirmware) << statusOnly;
    QTest::newRow("nn with a wrong check value, EC EE")
        << DeviceProfile::loader()
        << QList<DeviceFault> {DeviceFault::on("1g", DeviceFault::BadCheck)}
        << int(ModeProbe::NoFirmware) << both;
    QTest::newRow("nn with a wrong check value, loader probe unanswered")
        << DeviceProfile::loader()
        << QList<DeviceFault> {DeviceFault::on("1g", DeviceFault::BadCheck),
                               DeviceFault::on("loader-probe", DeviceFault::NoReply)}
        << int(ModeProbe::Unrecognised) << both;
    QTest::newRow("no status answer, EC EE")
        << DeviceProfile::loader()
        << QList<DeviceFault> {DeviceFault::on("1g", DeviceFault::NoReply)}
        << int(ModeProbe::NoFirmware) << both;
    QTest::newRow("EC EE left from the status query")
        << DeviceProfile::loader()
        << QList<DeviceFault> {staleLoaderAnswer,
                               DeviceFault::on("loader-probe", DeviceFault::NoReply)}
        << int(ModeProbe::Unrecognised) << both;
    QTest::newRow("silence") << DeviceProfile::silent() << QList<DeviceFault> {}
                             << int(ModeProbe::Unrecognised) << QStringList {"ignored", "ignored"};
}

// Runs as the window's twin does after an update: its own link, its own time-outs.
void TestModeProbe::firmwareProbe()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(int, result);
    QFETCH(QStringList, requests);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(5, profile, faults);
    QVERIFY(device);
    ComPort link;
    QVERIFY(link.open(SimulatedPorts::portNameBytes(5).constData(), false));

    QCOMPARE(ModeProbe::checkFirmware(link, ModeProbe::WindowTimeouts), result);
    QVERIFY2(link.usesPort(SimulatedPorts::portName(5)), "the probe leaves the link open");
    link.close();
    // A request that went unanswered may be logged a moment after the probe gave up on it.
    QCOMPARE(device->log().takeRequests(int(requests.size()), DeviceLagMs), requests);
}

void TestModeProbe::ispProbe_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<bool>("oneStopBit");
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<bool>("echoed");

    QTest::newRow("ISP chip, one stop bit")
        << DeviceProfile::isp() << true << QList<DeviceFault> {} << true;
    QTest::newRow("ISP chip, two stop bits")
        << DeviceProfile::isp() << false << QList<DeviceFault> {} << false;
    DeviceFault otherByte = DeviceFault::on("?", DeviceFault::Garbage);
    otherByte.payload = "!";
    QTest::newRow("another byte") << DeviceProfile::isp() << true << QList<DeviceFault> {otherByte}
                                  << false;
    QTest::newRow("no echo") << DeviceProfile::isp() << true
                             << QList<DeviceFault> {DeviceFault::on("?", DeviceFault::NoReply)}
                             << false;
    QTest::newRow("firmware") << DeviceProfile::ready() << true << QList<DeviceFault> {} << false;
    QTest::newRow("loader") << DeviceProfile::loader() << true << QList<DeviceFault> {} << false;
}

void TestModeProbe::ispProbe()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(bool, oneStopBit);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(bool, echoed);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(5, profile, faults);
    QVERIFY(device);
    ComPort link;
    link.setTimeouts(0, 130, 10, 0, 1000);
    QVERIFY(link.open(SimulatedPorts::portNameBytes(5).constData(), oneStopBit));

    QCOMPARE(ModeProbe::checkIsp(link), echoed);
    link.close();
}

QTEST_GUILESS_MAIN(TestModeProbe)
#include "tst_modeprobe.moc"
