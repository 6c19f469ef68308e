#include "ComPort.h"
#include "DeviceThread.h"
#include "PortNameMap.h"
#include "RefusalText.h"
#include "Ser2netServer.h"
#include "SilentListener.h"
#include "SimulatedPorts.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>
#include <utility>

namespace {

// Long enough for any pass of these tests; only a hang runs into it.
constexpr int PassLimitMs = 20000;
// A device logs a request a moment after it arrived, and a request that gets no reply may be
// logged only after the pass is over.
constexpr int DeviceLagMs = 5000;

const QString NotAvailable = QStringLiteral("n/a");
const QString Ready = QStringLiteral("Готов");

struct Pass
{
    bool finished = false;
    QStringList locations;
    QList<TDevices> devices;
    QList<PortRefusal> refused;

    // Collects the worker's signal in the receiver's thread, through the queued connection a
    // window gets.
    void listen(DeviceThread &worker, QObject &receiver)
    {
        QObject::connect(&worker, &DeviceThread::finish, &receiver,
                         [this](QStringList all, QList<TDevices> found, QList<PortRefusal> no) {
                             *this = {true, all, found, no};
                         });
    }

    // The record of a port as five texts; empty when the pass found no device there.
    QStringList record(const QString &location) const
    {
        for (const TDevices &d : devices) {
            if (d.location == location)
                return {d.location, d.serialNumber, d.description, d.firmwareVersion, d.status};
        }
        return {};
    }

    // The same record's data: mode, serial number, name, firmware version; "-" where the
    // device gave none.
    QString data(const QString &location) const
    {
        static const char *const modes[] = {"firmware", "loader", "isp"};
        for (const TDevices &d : devices) {
            if (d.location != location)
                continue;
            const DeviceFields &f = d.fields;
            return QStringList {modes[int(f.mode)],
                                f.serial ? QString::number(*f.serial) : "-",
                                f.name.value_or("-"),
                                f.firmware ? f.firmware->text() : "-"}
                .join(' ');
        }
        return QString();
    }
};

// Runs one pass on the worker's own thread and collects its signal in this thread.
Pass runPass(DeviceThread &worker)
{
    Pass pass;
    QObject receiver;
    pass.listen(worker, receiver);
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

// Firmware whose status query gets the full answer rather than "errc": its identification
// starts at once.
DeviceProfile answersYes()
{
    DeviceProfile profile = firmwareDevice();
    profile.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    return profile;
}

// That answer a byte every 160 ms: for over a second the pass is inside the exchange, as each
// read waits at least 180 ms for the next byte.
DeviceFault slowStatus()
{
    DeviceFault fault = DeviceFault::on("1g", DeviceFault::Split);
    fault.bytes = 1;
    fault.delayMs = 160;
    return fault;
}

// Waits until the device has received `count` requests, the last of them `name`.
bool waitForRequest(SimulatedDevice *device, int count, const QString &name)
{
    return device->log().waitForSize(count, PassLimitMs)
        && device->log().requests().value(count - 1) == name;
}

const QStringList AllSixVariants {"1g", "geti", "geti", "gser", "g000", "gfwv", "g001"};

// Name lookup, connection and negotiation of a remote line are bounded together by this.
constexpr int RemoteSetUpLimitMs = 2000;

} // namespace

class TestDeviceThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void noPorts();
    void probeOutcomes_data();
    void probeOutcomes();
    void variantMasks_data();
    void variantMasks();
    void exclusion_data();
    void exclusion();
    void stopDuringPass_data();
    void stopDuringPass();
    void slowPortDelaysNoOther();
    void remoteRowsAsLocal();
    void remoteRefusals_data();
    void remoteRefusals();

private:
    const QString com3 = SimulatedPorts::portName(3);
    const QString com4 = SimulatedPorts::portName(4);
};

// The window's connection to the worker needs the record types under their names. Runs before
// anything else uses the types: using them registers them under their names as well.
void TestDeviceThread::initTestCase()
{
    registerDeviceMetaTypes();
    QVERIFY(QMetaType::fromName("TDevices").isValid());
    QVERIFY(QMetaType::fromName("QList<TDevices>").isValid());
}

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
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QString>("data");

    // What each probe outcome becomes; the probes' own decisions are tested with ModeProbe.
    const QString noFirmware = QStringLiteral("Нет прошивки");
    QTest::newRow("no firmware") << DeviceProfile::loader() << QStringList {"1g"}
                                 << QStringList {com3, NotAvailable, NotAvailable, noFirmware,
                                                 Ready}
                                 << "loader - - -";
    // The ISP chip ignores both probes at two stop bits and echoes "?" at one.
    QTest::newRow("nothing recognised, then the ISP echo")
        << DeviceProfile::isp() << QStringList {"ignored", "ignored", "?"}
        << QStringList {com3, NotAvailable, NotAvailable, noFirmware, "режим ISP"} << "isp - - -";
    // Listed all the same.
    QTest::newRow("nothing attached")
        << DeviceProfile::silent() << QStringList(3, "ignored") << QStringList {} << QString();
}

void TestDeviceThread::probeOutcomes()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, record);
    QFETCH(QString, data);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(3, profile);
    QVERIFY(device);
    DeviceThread worker;
    // The scan names each port it tries, as it is, without the quotes Qt puts around strings.
    QTest::ignoreMessage(QtDebugMsg, "Device \\\\.\\COM3");
    const Pass pass = runPass(worker);
    QVERIFY(pass.finished);
    QCOMPARE(pass.locations, QStringList {com3});
    QCOMPARE(pass.record(com3), record);
    QCOMPARE(pass.data(com3), data);
    QCOMPARE(pass.devices.size(), record.isEmpty() ? 0 : 1);
    QCOMPARE(device->log().takeRequests(int(requests.size()), DeviceLagMs), requests);
}

void TestDeviceThread::variantMasks_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<QStringList>("firstPass");
    QTest::addColumn<QStringList>("laterPasses");
    QTest::addColumn<QStringList>("record");
    QTest::addColumn<QString>("data");

    // Decoding: little-endian numbers, unsigned throughout; a name of eight Latin-1 letters fills
    // its field, with no end mark.
    DeviceProfile decoded = firmwareDevice();
    decoded.description = "ABC";
    decoded.serialNumber = 0x3039;
    decoded.firmware = {1, 2, 0x1234};
    DeviceProfile largest = answering(20, {"gser", "gfwv"});
    largest.description = "\xC4\xE9-ABCDE";
    largest.serialNumber = 0xFFFFFFFF;
    largest.firmware = {255, 255, 65535};

    QTest::newRow("36-byte geti and g001 only")
        << answering(36, {"gser", "g000", "gfwv"}) << QList<DeviceFault> {} << AllSixVariants
        << QStringList {"1g", "geti", "g001"}
        << QStringList {com3, NotAvailable, "PROBE", "3.1.9", Ready} << "firmware - PROBE 3.1.9";
    // The 20-byte "geti" ends while the device still sends the rest of its 36-byte reply.
    DeviceFault restOfIdentityLate = DeviceFault::on("geti", DeviceFault::LateTail);
    restOfIdentityLate.bytes = 16;
    restOfIdentityLate.delayMs = 5;
    QTest::newRow("newer forms, the long identity reply still arriving")
        << decoded << QList<DeviceFault> {restOfIdentityLate}
        << QStringList {"1g", "geti", "geti", "gser", "gfwv"}
        << QStringList {"1g", "geti", "gser", "gfwv"}
        << QStringList {com3, "12345", "ABC", "1.2.4660", Ready} << "firmware 12345 ABC 1.2.4660";
    QTest::newRow("older forms, largest values")
        << largest << QList<DeviceFault> {}
        << QStringList {"1g", "geti", "gser", "g000", "gfwv", "g001"}
        << QStringList {"1g", "geti", "g000", "g001"}
        << QStringList {com3, "4294967295", QString::fromUtf8("Äé-ABCDE"), "255.255.65535", Ready}
        << QString::fromUtf8("firmware 4294967295 Äé-ABCDE 255.255.65535");
    // A bit flipped on the line after the check value was computed: each reply counts as none,
    // and the other form of the question is asked, as for silence.
    DeviceProfile spoilt = decoded;
    spoilt.description = "ZELKOR";
    QList<DeviceFault> flipped;
    for (const auto &[request, byte] : {std::pair("geti", 7), {"gser", 0}, {"gfwv", 0}}) {
        flipped << DeviceFault::on(request, DeviceFault::FlipBit, 0, -1);
        flipped.last().bytes = byte;
    }
    QTest::newRow("replies spoilt on the line")
        << spoilt << flipped << AllSixVariants << QStringList {"1g", "g000", "g001"}
        << QStringList {com3, "12345", NotAvailable, "1.2.4660", Ready}
        << "firmware 12345 - 1.2.4660";
    QTest::newRow("no command answered: every pass tries all six")
        << answering(0, {"gser", "g000", "gfwv", "g001"}) << QList<DeviceFault> {} << AllSixVariants
        << AllSixVariants << QStringList {} << QString();
}

// Two passes, then one after forgetVariants, which starts afresh.
void TestDeviceThread::variantMasks()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(QStringList, firstPass);
    QFETCH(QStringList, laterPasses);
    QFETCH(QStringList, record);
    QFETCH(QString, data);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(3, profile, faults);
    // A neighbour with other variants, through with every pass before the device above has
    // its status answer: what one port learns must not reach or replace the other's.
    DeviceProfile older = answering(20, {"gser", "gfwv"});
    older.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    SimulatedDevice *neighbour = ports.add(4, older);
    QVERIFY(device && neighbour);
    const QStringList neighbourLater {"1g", "geti", "g000", "g001"};
    const std::pair<QStringList, QStringList> passes[] = {
        {firstPass, {"1g", "geti", "gser", "g000", "gfwv", "g001"}}, {laterPasses, neighbourLater}};
    DeviceThread worker;
    for (const auto &[requests, neighbourRequests] : passes) {
        const Pass pass = runPass(worker);
        QVERIFY(pass.finished);
        QCOMPARE(pass.record(com3), record);
        QCOMPARE(pass.data(com3), data);
        QCOMPARE(device->log().takeRequests(int(requests.size()), DeviceLagMs), requests);
        QCOMPARE(neighbour->log().takeRequests(int(neighbourRequests.size()), DeviceLagMs),
                 neighbourRequests);
    }
    worker.forgetVariants(com3);
    QVERIFY(runPass(worker).finished);
    QCOMPARE(device->log().takeRequests(int(firstPass.size()), DeviceLagMs), firstPass);
    QCOMPARE(neighbour->log().takeRequests(int(neighbourLater.size()), DeviceLagMs),
             neighbourLater);
}

void TestDeviceThread::exclusion_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<DeviceFault>>("faults");
    // The last is in progress when the port goes; none: excluded before the pass.
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QStringList>("record");
    // Once the port is back: groups cut short by the exclusion are tried in full again.
    QTest::addColumn<QStringList>("nextRequests");

    // A reply that trickles in keeps the exchange in progress long enough to act during it:
    // the 36-byte identity, a byte every 15 ms, well within each read's 50 ms and more.
    DeviceFault slowIdentity = DeviceFault::on("geti", DeviceFault::Split, 1);
    slowIdentity.bytes = 1;
    slowIdentity.delayMs = 15;

    QTest::newRow("before the pass")
        << firmwareDevice() << QList<DeviceFault> {} << QStringList {} << QStringList {}
        << QStringList {"1g", "geti", "geti", "gser", "gfwv"};
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

// An excluded port is neither listed nor opened; one excluded during the pass is free for a job
// at once.
void TestDeviceThread::exclusion()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(QStringList, requests);
    QFETCH(QStringList, record);
    QFETCH(QStringList, nextRequests);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(3, profile, faults);
    // Still in its first exchange while the other port goes.
    SimulatedDevice *other = ports.add(4, answersYes(), {slowStatus()});
    QVERIFY(device && other);
    DeviceThread worker;

    Pass pass;
    QObject receiver;
    pass.listen(worker, receiver);
    if (requests.isEmpty())
        worker.excludePort(com3);
    worker.start();
    if (!requests.isEmpty()) {
        QVERIFY(waitForRequest(device, int(requests.size()), requests.last()));
        QVERIFY(waitForRequest(other, 1, "1g"));
        worker.excludePort(com3);
        QVERIFY2(!worker.usesPort(com3),
                 "the port must be free for a job once excludePort returns");
        QVERIFY(worker.usesPort(com4));
    }

    QVERIFY(worker.wait(PassLimitMs));
    QTRY_VERIFY(pass.finished);
    QCOMPARE(device->log().takeRequests(int(requests.size()), DeviceLagMs), requests);
    QCOMPARE(pass.locations, (requests.isEmpty() ? QStringList {com4} : QStringList {com3, com4}));
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

    // Both ports are inside their slow status queries when the pass is stopped; every other
    // request goes unanswered.
    const DeviceFault silence = DeviceFault::on("*", DeviceFault::NoReply, 0, -1);
    SimulatedPorts ports;
    SimulatedDevice *first = ports.add(3, answersYes(), {slowStatus(), silence});
    SimulatedDevice *next = ports.add(4, answersYes(), {slowStatus(), silence});
    QVERIFY(first && next);
    auto worker = std::make_unique<DeviceThread>();
    int finishes = 0;
    QObject receiver;
    connect(worker.get(), &DeviceThread::finish, &receiver, [&finishes] { ++finishes; });
    worker->start();
    QVERIFY(waitForRequest(first, 1, "1g"));
    QVERIFY(waitForRequest(next, 1, "1g"));

    if (deleteWhileRunning) {
        worker.reset();
    } else {
        worker->requestStop();
        QVERIFY(worker->wait(PassLimitMs));
        QVERIFY(!worker->usesPort(com3) && !worker->usesPort(com4));
    }
    QCoreApplication::processEvents();
    QCOMPARE(finishes, 0);
    QCOMPARE(first->log().takeRequests(1, DeviceLagMs), QStringList {"1g"});
    QCOMPARE(next->log().takeRequests(1, DeviceLagMs), QStringList {"1g"});

    // The ports are free again, and a stopped worker runs whole passes when started again.
    DeviceThread fresh;
    const Pass pass = runPass(worker ? *worker : fresh);
    QVERIFY(pass.finished);
    QCOMPARE(pass.locations.size(), 2);
    QCOMPARE(next->log().takeRequests(2, DeviceLagMs), (QStringList {"1g", "loader-probe"}));
}

// The ports of a pass are talked to at once: quick devices are through while a slow one is still
// in its first exchange, and the records still come in port order.
void TestDeviceThread::slowPortDelaysNoOther()
{
    SimulatedPorts ports;
    SimulatedDevice *slow = ports.add(3, answersYes(), {slowStatus()});
    QVERIFY(slow);
    QList<SimulatedDevice *> quick;
    for (int number : {4, 5, 6})
        quick.append(ports.add(number, answersYes()));
    QVERIFY(!quick.contains(nullptr));
    DeviceThread worker;
    Pass pass;
    QObject receiver;
    pass.listen(worker, receiver);
    worker.start();
    for (SimulatedDevice *device : quick)
        QVERIFY(waitForRequest(device, 5, "gfwv"));
    QCOMPARE(slow->log().requests(), QStringList {"1g"});

    QVERIFY(worker.wait(PassLimitMs));
    QTRY_VERIFY(pass.finished);
    QStringList order;
    for (const TDevices &device : pass.devices)
        order.append(device.location);
    QCOMPARE(order, pass.locations);
    QCOMPARE(pass.locations.size(), 4);
}

// Each kind of device behind ser2net gives the row it gives on a local port; the ISP chip's
// answers only come at one stop bit, which the server must have set before the probe goes out.
void TestDeviceThread::remoteRowsAsLocal()
{
    const QList<DeviceProfile> profiles {firmwareDevice(), DeviceProfile::loader(),
                                         DeviceProfile::isp(), DeviceProfile::silent()};
    constexpr int RemoteOffset = 10;
    SimulatedPorts ports;
    Ser2netServer server;
    for (int i = 0; i < profiles.size(); ++i) {
        QVERIFY(ports.add(1 + i, profiles[i]));
        const SimulatedDevice *served = ports.add(1 + i + RemoteOffset, profiles[i]);
        QVERIFY(served);
        PortNameMap::instance().setPath(SimulatedPorts::portName(1 + i + RemoteOffset),
                                        server.serve(served->portPath()));
    }
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));

    DeviceThread worker;
    const Pass pass = runPass(worker);
    QVERIFY(pass.finished);
    QCOMPARE(pass.locations.size(), 2 * profiles.size());
    QVERIFY(pass.refused.isEmpty());
    for (int i = 0; i < profiles.size(); ++i) {
        QStringList local = pass.record(SimulatedPorts::portName(1 + i));
        const QString remote = SimulatedPorts::portName(1 + i + RemoteOffset);
        if (!local.isEmpty())
            local[0] = remote;
        QCOMPARE(pass.record(remote), local);
    }
}

void TestDeviceThread::remoteRefusals_data()
{
    QTest::addColumn<QString>("address"); // empty: a device served by ser2net
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("status");

    QTest::newRow("held by another client")
        << QString() << int(PortError::Busy) << "In use by another client";
    QTest::newRow("no answer") << QStringLiteral("silent") << int(PortError::Unreachable)
                               << "Device server unreachable";
    QTest::newRow("unknown host") << QStringLiteral("rfc2217://no-such-host.invalid:2217")
                                  << int(PortError::HostNotFound) << "Unknown host";
    QTest::newRow("no RFC 2217") << QStringLiteral("plain telnet")
                                 << int(PortError::NoLineControl) << "No RFC 2217 on the server";
}

// A port served over the network that can't be had is a refused row that says why and names
// the server, within the bound of the set-up, and the other ports' rows come with the same
// pass; pass after pass.
void TestDeviceThread::remoteRefusals()
{
    QFETCH(QString, address);
    QFETCH(int, kind);
    QFETCH(QString, status);

    SimulatedPorts ports;
    SimulatedDevice *local = ports.add(4, firmwareDevice());
    // Before the local port: its open would be the first to hold up the other.
    const SimulatedDevice *served = ports.add(3, firmwareDevice());
    QVERIFY(local && served);
    Ser2netServer server;
    SilentListener silent;
    std::unique_ptr<ComPort> otherClient;
    if (address == "silent") {
        address = silent.address();
    } else if (address.isEmpty() || address == "plain telnet") {
        const auto telnet = address.isEmpty() ? Ser2netServer::Telnet::Rfc2217
                                              : Ser2netServer::Telnet::Plain;
        address = server.serve(served->portPath(), telnet);
        QString error;
        QVERIFY2(server.start(&error), qPrintable(error));
    }
    PortNameMap::instance().setPath(com3, address);
    // To the server, another client like any other program.
    if (kind == PortError::Busy) {
        otherClient = std::make_unique<ComPort>();
        QVERIFY(otherClient->open(com3.toLatin1().constData(), StopBits::Two));
    }

    // Not measurements: a first pass that waited past the bound would hang on a dead host, and
    // a second one that waited it out again would slow every row down while the host is away;
    // nor may the local port wait for the remote one's open.
    const int limitsMs[] = {RemoteSetUpLimitMs + 1500, RemoteSetUpLimitMs};
    DeviceThread worker;
    for (const int limitMs : limitsMs) {
        const int requestsBefore = local->log().size();
        const auto started = std::chrono::steady_clock::now();
        QElapsedTimer timer;
        timer.start();
        const Pass pass = runPass(worker);
        QVERIFY2(timer.elapsed() < limitMs, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(local->log().records().value(requestsBefore).received - started
                < std::chrono::milliseconds(RemoteSetUpLimitMs / 2));
        QVERIFY(pass.finished);
        QCOMPARE(pass.locations, QStringList {com4});
        QCOMPARE(pass.devices.size(), 1);
        QCOMPARE(pass.refused.size(), 1);
        const PortRefusal &refusal = pass.refused.first();
        QCOMPARE(refusal.portName, com3);
        QCOMPARE(refusal.devicePath, address);
        QCOMPARE(int(refusal.error.kind), kind);
        QCOMPARE(RefusalText::status(refusal), status);
        const QString hostAndPort = address.mid(QStringLiteral("rfc2217://").size());
        QVERIFY2(RefusalText::advice(refusal).contains(" " + hostAndPort + " "),
                 qPrintable(RefusalText::advice(refusal)));
    }
}

QTEST_GUILESS_MAIN(TestDeviceThread)
#include "tst_devicethread.moc"
