#include "DeviceThread.h"
#include "SimulatedPorts.h"

#include <QTest>

#include <memory>

Q_DECLARE_METATYPE(FirmwareVersion)

namespace {

// Long enough for any pass of these tests; only a hang runs into it.
constexpr int PassLimitMs = 20000;
// A device logs a request a moment after it arrived, and a request that gets no reply may be
// logged only after the pass is over.
constexpr int DeviceLagMs = 5000;

const QString NotAvailable = QStringLiteral("n/a");
const QString NoFirmware = QStringLiteral("Нет прошивки");
const QString Ready = QStringLiteral("Готов");
const QString IspMode = QStringLiteral("режим ISP");

struct Pass
{
    bool finished = false;
    QStringList locations;
    QList<TDevices> devices;

    // The record of a port as five texts; empty when the pass found no device there.
    QStringList record(const QString &location) const
    {
        for (const TDevices &d : devices) {
            if (d.location == location)
                return {d.location, d.serialNumber, d.description, d.firmwareVersion, d.status};
        }
        return {};
    }
};

// Runs one pass on the worker's own thread and collects its signal in this thread, through the
// queued connection a window gets.
Pass runPass(DeviceThread &worker)
{
    Pass pass;
    QObject receiver;
    QObject::connect(&worker, &DeviceThread::finish, &receiver,
                     [&pass](QStringList locations, QList<TDevices> devices) {
                         pass.finished = true;
                         pass.locations = locations;
                         pass.devices = devices;
                     });
    worker.start();
    // The signal is queued: a finished pass has posted it by the time wait() returns.
    if (worker.wait(PassLimitMs))
        QCoreApplication::processEvents();
    return pass;
}

// A device whose firmware answers every identification command in its newer form.
DeviceProfile firmwareDevice()
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.description = "PROBE";
    profile.serialNumber = 7;
    profile.firmware = {3, 1, 9};
    return profile;
}

DeviceProfile answering(int getiLength, const QSet<QByteArray> &unanswered)
{
    DeviceProfile profile = firmwareDevice();
    profile.getiLength = getiLength;
    profile.unanswered = unanswered;
    return profile;
}

// Waits until the device has received `count` requests, the last of them `name`.
bool waitForRequest(SimulatedDevice *device, int count, const QString &name)
{
    return device->log().waitForSize(count, PassLimitMs)
        && device->log().requests().value(count - 1) == name;
}

const QStringList AllSixVariants {"1g", "geti", "geti", "gser", "g000", "gfwv", "g001"};

} // namespace

class TestDeviceThread : public QObject
{
    Q_OBJECT

private slots:
    void noPorts();
    void probeOutcomes_data();
    void probeOutcomes();
    void variantMasks_data();
    void variantMasks();
    void forgetVariantsRestoresEveryVariant();
    void decoding_data();
    void decoding();
    void exclusion_data();
    void exclusion();
    void excludeDuringExchange_data();
    void excludeDuringExchange();
    void stopDuringPass_data();
    void stopDuringPass();

private:
    const QString com3 = SimulatedPorts::portName(3);
    const QString com4 = SimulatedPorts::portName(4);
};

void TestDeviceThread::noPorts()
{
    SimulatedPorts ports;
    DeviceThread worker;
    const Pass pass = runPass(worker);
    QVERIFY(pass.finished);
    QVERIFY(pass.locations.isEmpty());
    QVERIFY(pass.devices.isEmpty());
}

void TestDeviceThread::probeOutcomes_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("record");

    const QStringList identified {com3, "7", "PROBE", "3.1.9", Ready};
    const QStringList identifiedWire {"1g", "geti", "geti", "gser", "gfwv"};
    const QStringList noFirmware {com3, NotAvailable, NotAvailable, NoFirmware, Ready};
    // What each probe outcome becomes; the probes' own decisions are tested with ModeProbe.
    QTest::newRow("firmware") << firmwareDevice() << QList<DeviceFault> {} << identifiedWire
                              << identified;
    QTest::newRow("no firmware") << DeviceProfile::loader() << QList<DeviceFault> {}
                                 << QStringList {"1g"} << noFirmware;
    // The ISP chip ignores both probes at two stop bits and echoes "?" at one.
    QTest::newRow("nothing recognised, then the ISP echo")
        << DeviceProfile::isp() << QList<DeviceFault> {} << QStringList {"ignored", "ignored", "?"}
        << QStringList {com3, NotAvailable, NotAvailable, NoFirmware, IspMode};
    QTest::newRow("ISP probe not echoed")
        << DeviceProfile::isp() << QList<DeviceFault> {DeviceFault::on("?", DeviceFault::NoReply)}
        << QStringList {"ignored", "ignored", "?"} << QStringList {};
    QTest::newRow("nothing attached")
        << DeviceProfile::silent() << QList<DeviceFault> {}
        << QStringList {"ignored", "ignored", "ignored"} << QStringList {};
}

void TestDeviceThread::probeOutcomes()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, record);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(3, profile, faults);
    QVERIFY(device);
    DeviceThread worker;

    const Pass pass = runPass(worker);
    QVERIFY(pass.finished);
    QCOMPARE(pass.locations, QStringList {com3});
    QCOMPARE(pass.record(com3), record);
    QCOMPARE(pass.devices.size(), record.isEmpty() ? 0 : 1);
    QCOMPARE(device->log().takeRequests(int(requests.size()), DeviceLagMs), requests);
}

void TestDeviceThread::variantMasks_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<QList<QStringList>>("requests"); // of three passes in a row
    QTest::addColumn<QStringList>("lastRecord");

    QTest::newRow("36-byte geti and g001 only")
        << answering(36, {"gser", "g000", "gfwv"}) << QList<DeviceFault> {}
        << QList<QStringList> {AllSixVariants, {"1g", "geti", "g001"}, {"1g", "geti", "g001"}}
        << QStringList {com3, NotAvailable, "PROBE", "3.1.9", Ready};
    QTest::newRow("newer forms") << firmwareDevice() << QList<DeviceFault> {}
                                 << QList<QStringList> {{"1g", "geti", "geti", "gser", "gfwv"},
                                                        {"1g", "geti", "gser", "gfwv"},
                                                        {"1g", "geti", "gser", "gfwv"}}
                                 << QStringList {com3, "7", "PROBE", "3.1.9", Ready};
    // The 20-byte "geti" ends while the device still sends the rest of its 36-byte reply.
    DeviceFault restOfIdentityLate = DeviceFault::on("geti", DeviceFault::LateTail);
    restOfIdentityLate.bytes = 16;
    restOfIdentityLate.delayMs = 5;
    QTest::newRow("newer forms, the long identity reply still arriving")
        << firmwareDevice() << QList<DeviceFault> {restOfIdentityLate}
        << QList<QStringList> {{"1g", "geti", "geti", "gser", "gfwv"},
                               {"1g", "geti", "gser", "gfwv"},
                               {"1g", "geti", "gser", "gfwv"}}
        << QStringList {com3, "7", "PROBE", "3.1.9", Ready};
    QTest::newRow("older forms") << answering(20, {"gser", "gfwv"}) << QList<DeviceFault> {}
                                 << QList<QStringList> {{"1g", "geti", "gser", "g000", "gfwv",
                                                         "g001"},
                                                        {"1g", "geti", "g000", "g001"},
                                                        {"1g", "geti", "g000", "g001"}}
                                 << QStringList {com3, "7", "PROBE", "3.1.9", Ready};
    QTest::newRow("no command answered: every pass tries all six")
        << answering(0, {"gser", "g000", "gfwv", "g001"}) << QList<DeviceFault> {}
        << QList<QStringList> {AllSixVariants, AllSixVariants, AllSixVariants} << QStringList {};
    QTest::newRow("serial stops answering: its group is left out")
        << firmwareDevice()
        << QList<DeviceFault> {DeviceFault::on("gser", DeviceFault::NoReply, 1, -1)}
        << QList<QStringList> {{"1g", "geti", "geti", "gser", "gfwv"},
                               {"1g", "geti", "gser", "gfwv"},
                               {"1g", "geti", "gfwv"}}
        << QStringList {com3, NotAvailable, "PROBE", "3.1.9", Ready};
}

void TestDeviceThread::variantMasks()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(QList<QStringList>, requests);
    QFETCH(QStringList, lastRecord);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(3, profile, faults);
    QVERIFY(device);
    DeviceThread worker;

    Pass pass;
    for (int n = 0; n < requests.size(); ++n) {
        pass = runPass(worker);
        QVERIFY(pass.finished);
        QCOMPARE(device->log().takeRequests(int(requests.at(n).size()), DeviceLagMs),
                 requests.at(n));
    }
    QCOMPARE(pass.record(com3), lastRecord);
}

void TestDeviceThread::forgetVariantsRestoresEveryVariant()
{
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(3, answering(36, {"gser", "g000", "gfwv"}));
    QVERIFY(device);
    SimulatedDevice *other = ports.add(4, answering(36, {"gser", "g000", "gfwv"}));
    QVERIFY(other);
    DeviceThread worker;
    QVERIFY(runPass(worker).finished);
    QVERIFY(runPass(worker).finished);
    device->log().takeRequests();
    other->log().takeRequests();

    worker.forgetVariants(com3);
    QVERIFY(runPass(worker).finished);
    QCOMPARE(device->log().takeRequests(int(AllSixVariants.size()), DeviceLagMs), AllSixVariants);
    QCOMPARE(other->log().takeRequests(3, DeviceLagMs), (QStringList {"1g", "geti", "g001"}));
}

void TestDeviceThread::decoding_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("getiLength");
    QTest::addColumn<quint32>("serialNumber");
    QTest::addColumn<FirmwareVersion>("version");
    QTest::addColumn<QStringList>("texts"); // serial number, description, firmware version

    QTest::newRow("three letters, serial 39 30 00 00, version 1 2 34 12")
        << QByteArray("ABC") << 36 << quint32(0x3039) << FirmwareVersion {1, 2, 0x1234}
        << QStringList {"12345", "ABC", "1.2.4660"};
    QTest::newRow("largest values, name fills its field")
        << QByteArray("ABCDEFGH") << 36 << quint32(0xFFFFFFFF) << FirmwareVersion {255, 255, 65535}
        << QStringList {"4294967295", "ABCDEFGH", "255.255.65535"};
    QTest::newRow("zeros") << QByteArray() << 36 << quint32(0) << FirmwareVersion {0, 0, 0}
                           << QStringList {"0", "", "0.0.0"};
    QTest::newRow("name bytes above 127 are Latin-1")
        << QByteArray("\xC4\xE9-1") << 20 << quint32(10) << FirmwareVersion {10, 0, 256}
        << QStringList {"10", QString::fromUtf8("Äé-1"), "10.0.256"};
}

void TestDeviceThread::decoding()
{
    QFETCH(QByteArray, name);
    QFETCH(int, getiLength);
    QFETCH(quint32, serialNumber);
    QFETCH(FirmwareVersion, version);
    QFETCH(QStringList, texts);

    DeviceProfile profile = firmwareDevice();
    profile.description = name;
    profile.getiLength = getiLength;
    profile.serialNumber = serialNumber;
    profile.firmware = version;
    SimulatedPorts ports;
    QVERIFY(ports.add(3, profile));
    DeviceThread worker;

    const Pass pass = runPass(worker);
    QVERIFY(pass.finished);
    QCOMPARE(pass.record(com3), (QStringList {com3, texts.at(0), texts.at(1), texts.at(2), Ready}));
}

void TestDeviceThread::exclusion_data()
{
    QTest::addColumn<int>("exclusions");
    QTest::addColumn<int>("releases");
    QTest::addColumn<bool>("listed");

    QTest::newRow("excluded") << 1 << 0 << false;
    QTest::newRow("excluded and released") << 1 << 1 << true;
    QTest::newRow("excluded twice, released once") << 2 << 1 << true;
    QTest::newRow("released without being excluded") << 0 << 1 << true;
}

void TestDeviceThread::exclusion()
{
    QFETCH(int, exclusions);
    QFETCH(int, releases);
    QFETCH(bool, listed);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(3, firmwareDevice());
    QVERIFY(device);
    QVERIFY(ports.add(4, firmwareDevice()));
    DeviceThread worker;
    for (int n = 0; n < exclusions; ++n)
        worker.excludePort(com3);
    for (int n = 0; n < releases; ++n)
        worker.releasePort(com3);

    if (listed)
        QTest::ignoreMessage(QtDebugMsg, "Device \\\\.\\COM3");
    QTest::ignoreMessage(QtDebugMsg, "Device \\\\.\\COM4");
    const Pass pass = runPass(worker);
    QVERIFY(pass.finished);
    QCOMPARE(pass.locations, (listed ? QStringList {com3, com4} : QStringList {com4}));
    QCOMPARE(pass.record(com3).isEmpty(), !listed);
    QCOMPARE(pass.record(com4).isEmpty(), false);
    QCOMPARE(device->log().takeRequests(listed ? 1 : 0, DeviceLagMs).isEmpty(), !listed);
}

void TestDeviceThread::excludeDuringExchange_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<QStringList>("requests"); // the last is in progress when the port goes
    QTest::addColumn<QStringList>("record");
    // Once the port is back: groups cut short by the exclusion are tried in full again.
    QTest::addColumn<QStringList>("nextRequests");

    // A reply that trickles in keeps the exchange in progress long enough to act during it:
    // the 36-byte identity, a byte every 15 ms, well within each read's 50 ms and more.
    DeviceFault slowIdentity = DeviceFault::on("geti", DeviceFault::Split, 1);
    slowIdentity.bytes = 1;
    slowIdentity.delayMs = 15;

    QTest::newRow("during the status query")
        << firmwareDevice() << QList<DeviceFault> {DeviceFault::on("1g", DeviceFault::NoReply)}
        << QStringList {"1g"} << QStringList {}
        << QStringList {"1g", "geti", "geti", "gser", "gfwv"};
    QTest::newRow("the exchange in progress still counts")
        << firmwareDevice() << QList<DeviceFault> {slowIdentity}
        << QStringList {"1g", "geti", "geti"}
        << QStringList {com3, NotAvailable, "PROBE", NotAvailable, Ready}
        << QStringList {"1g", "geti", "gser", "gfwv"};
}

void TestDeviceThread::excludeDuringExchange()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, record);
    QFETCH(QStringList, nextRequests);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(3, profile, faults);
    QVERIFY(device);
    QVERIFY(ports.add(4, firmwareDevice()));
    DeviceThread worker;

    Pass pass;
    QObject receiver;
    connect(&worker, &DeviceThread::finish, &receiver,
            [&pass](QStringList locations, QList<TDevices> devices) {
                pass = {true, locations, devices};
            });
    worker.start();
    QVERIFY(waitForRequest(device, int(requests.size()), requests.last()));
    worker.excludePort(com3);
    QVERIFY2(!worker.usesPort(com3), "the port must be free for a job once excludePort returns");

    QVERIFY(worker.wait(PassLimitMs));
    QTRY_VERIFY(pass.finished);
    QCOMPARE(device->log().takeRequests(int(requests.size()), DeviceLagMs), requests);
    QCOMPARE(pass.locations, (QStringList {com3, com4}));
    QCOMPARE(pass.record(com3), record);
    QCOMPARE(pass.record(com4), (QStringList {com4, "7", "PROBE", "3.1.9", Ready}));

    worker.releasePort(com3);
    QVERIFY(runPass(worker).finished);
    QCOMPARE(device->log().takeRequests(int(nextRequests.size()), DeviceLagMs), nextRequests);
}

void TestDeviceThread::stopDuringPass_data()
{
    QTest::addColumn<bool>("deleteWhileRunning");

    QTest::newRow("stop requested, then deleted") << false;
    QTest::newRow("deleted while running") << true;
}

void TestDeviceThread::stopDuringPass()
{
    QFETCH(bool, deleteWhileRunning);

    // The first device answers its status query a byte every 100 ms, so the pass is inside
    // that exchange for most of a second; every other request goes unanswered.
    DeviceProfile answersYes = firmwareDevice();
    answersYes.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    DeviceFault slowStatus = DeviceFault::on("1g", DeviceFault::Split);
    slowStatus.bytes = 1;
    slowStatus.delayMs = 100;
    const DeviceFault silence = DeviceFault::on("*", DeviceFault::NoReply, 0, -1);
    SimulatedPorts ports;
    QList<SimulatedDevice *> devices;
    for (int number = 3; number <= 5; ++number) {
        devices << (number == 3 ? ports.add(number, answersYes, {slowStatus, silence})
                                : ports.add(number, firmwareDevice(), {silence}));
        QVERIFY(devices.last());
    }
    auto worker = std::make_unique<DeviceThread>();
    int finishes = 0;
    QObject receiver;
    connect(worker.get(), &DeviceThread::finish, &receiver, [&finishes] { ++finishes; });
    worker->start();
    QVERIFY(waitForRequest(devices.at(0), 1, "1g"));

    if (deleteWhileRunning) {
        worker.reset();
    } else {
        worker->requestStop();
        QVERIFY(worker->wait(PassLimitMs));
        QVERIFY(!worker->usesPort(com3));
    }
    QCoreApplication::processEvents();
    QCOMPARE(finishes, 0);
    QCOMPARE(devices.at(0)->log().takeRequests(1, DeviceLagMs), QStringList {"1g"});
    QCOMPARE(devices.at(1)->log().takeRequests(), QStringList {});
    QCOMPARE(devices.at(2)->log().takeRequests(), QStringList {});

    // The ports are free again, and a stopped worker runs whole passes when started again.
    DeviceThread fresh;
    const Pass pass = runPass(worker ? *worker : fresh);
    QVERIFY(pass.finished);
    QCOMPARE(pass.locations.size(), 3);
    QCOMPARE(devices.at(2)->log().takeRequests(2, DeviceLagMs),
             (QStringList {"1g", "loader-probe"}));
}

QTEST_GUILESS_MAIN(TestDeviceThread)
#include "tst_devicethread.moc"
