#include "ComPort.h"
#include "SimulatedPorts.h"
#include "crc16.h"

#include <QTest>
#include <QtEndian>

namespace {

constexpr int Port = 7;
// Waits for the device's own bookkeeping; never runs out in a passing test.
constexpr int DeviceWaitMs = 3000;

QByteArray le16(quint16 value)
{
    char raw[2];
    qToLittleEndian(value, raw);
    return QByteArray(raw, 2);
}

QByteArray withCheck(const QByteArray &bytes)
{
    return bytes + le16(crc16(bytes.constData(), unsigned(bytes.size())));
}

QByteArray checked(const char *hex)
{
    return withCheck(QByteArray::fromHex(hex));
}

// A loader frame as the wire carries it: code, length, data, check value.
QByteArray frame(quint16 code, const QByteArray &data = {})
{
    return withCheck(le16(code) + le16(quint16(data.size())) + data);
}

constexpr quint16 NewSection = 0x4411, WriteData = 0x1144;
const QByteArray Probe = QByteArray::fromHex("31670000"); // "1g"
const QByteArray LoaderProbe = QByteArray::fromHex("441100004337");
const QByteArray Connect = QByteArray::fromHex("34120000ae11");
const QByteArray Disconnect = QByteArray::fromHex("21430000fbcc");

// The default measurement words m<from> up to m<to - 1>, as sent.
QByteArray words(int from, int to)
{
    QByteArray bytes;
    for (int i = from; i < to; ++i)
        bytes += le16(quint16(DeviceProfile::ready().measurements[size_t(i)]));
    return bytes;
}

DeviceFault fault(const QString &request, DeviceFault::Kind kind, int bytes = -1, int delayMs = -1,
                  const QByteArray &payload = {})
{
    DeviceFault result = DeviceFault::on(request, kind);
    result.bytes = bytes;
    result.delayMs = delayMs;
    result.payload = payload;
    return result;
}

// The program's end of the simulated port: a ComPort opened on its COM name, with the program's
// read limit (a silent request costs 300 ms).
struct Line
{
    Line()
    {
        port.setTimeouts(LinkTimeouts::reads(300, 2).writes(0, 1000));
        opened = port.open(SimulatedPorts::portNameBytes(Port).constData(), StopBits::Two);
    }

    // One transaction; `reply` receives the whole reply buffer, zeros where nothing arrived.
    bool ask(const QByteArray &request, int replyLength, QByteArray *reply = nullptr)
    {
        QByteArray buffer(replyLength, '\0');
        const bool ok = port.transactRaw(request.constData(), unsigned(request.size()),
                                         buffer.data(), unsigned(replyLength));
        if (reply)
            *reply = buffer;
        return ok;
    }

    ComPort port;
    bool opened = false;
};

} // namespace

class TestSimulatedDevice : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { ports.reset(); }
    void replies_data();
    void replies();

private:
    SimulatedDevice *start(const DeviceProfile &profile)
    {
        ports = std::make_unique<SimulatedPorts>();
        SimulatedDevice *device = ports->add(Port, profile);
        if (!device)
            qFatal("no pseudo-terminal for a simulated device");
        return device;
    }

    std::unique_ptr<SimulatedPorts> ports;
};

void TestSimulatedDevice::replies_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("sent"); // the whole reply; empty: silence
    QTest::addColumn<QByteArrayList>("before"); // requests that set the stage
    QTest::addColumn<QList<DeviceFault>>("faults");
    const auto row = [](const char *name, const DeviceProfile &profile, const QByteArray &request,
                        const QByteArray &sent, const QByteArrayList &before = {},
                        const QList<DeviceFault> &faults = {}) {
        QTest::newRow(name) << profile << request << sent << before << faults;
    };
    const DeviceProfile ready = DeviceProfile::ready(), legacy = DeviceProfile::legacy(),
                        loader = DeviceProfile::loader();
    DeviceProfile yes = ready;
    yes.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    DeviceFault status = DeviceFault::on("CONNECT", DeviceFault::BadStatus);
    status.value = 3;
    const QByteArray block(80, '\x17'); // calibration data

    // Firmware: data, its check value, the command word.
    row("geti", ready, "geti", withCheck("ZLKRDLDL-METER" + QByteArray(16, '#')) + "geti");
    row("gser", ready, "gser", checked("a1860100") + "gser"); // 100001
    row("gfwv", ready, "gfwv", checked("01025901") + "gfwv"); // 1.2.345
    row("rdan", ready, "rdan", withCheck(words(0, 24)) + "rdan");
    row("calb", ready, "calb", "calb");
    row("scal outside calibration", ready, "scal" + withCheck(block), "errc");
    row("scal, bad check value", ready, "scal" + block + "??", "errc", {"calb"});
    row("1g, errc", ready, Probe, "errc");
    row("1g, yy", yes, Probe, withCheck(Probe + "yy"));
    row("loader probe", ready, LoaderProbe, {});
    row("unknown word", ready, "zzzz", {});
    row("legacy geti", legacy, "geti", withCheck(QByteArray("ZLKRRTRT-OLD\0\0", 14)) + "geti");
    row("legacy g000", legacy, "g000", checked("67120000") + "g000"); // 4711
    row("legacy 1234 puts its word first", legacy, "1234",
        "1234" + withCheck(words(0, 2) + words(4, 6) + words(2, 4) + words(6, 14)));
    row("legacy gser", legacy, "gser", {});
    row("legacy calb before init", legacy, "calb", {});
    row("legacy calb after init", legacy, "calb", "calb", {"init"});
    // Loader: code, status, check value.
    row("loader 1g", loader, Probe, withCheck(Probe + "nn"));
    row("CONNECT", loader, Connect, checked("34120000"));
    row("NEW SECTION before CONNECT", loader, frame(NewSection, "00001000"), checked("11440100"));
    row("short address", loader, frame(NewSection, "1000"), checked("11440100"), {Connect});
    row("WRITE DATA before NEW SECTION", loader, frame(WriteData, "AB"), checked("44110100"),
        {Connect});
    row("DISCONNECT before CONNECT", loader, Disconnect, checked("21430100"));
    row("unknown code", loader, frame(0x5555), checked("55550200"));
    row("bad check value", loader, QByteArray::fromHex("341200000000"),
        QByteArray::fromHex("ecee"));
    row("nothing attached", DeviceProfile::silent(), Probe, {});
    // Faults strike the reply, and only it.
    row("fault: no reply", ready, "gser", {}, {}, {fault("gser", DeviceFault::NoReply)});
    row("fault: status", loader, Connect, checked("34120300"), {}, {status});
    row("fault: wrong echo", ready, "gser", checked("a1860100") + "gsex", {},
        {fault("gser", DeviceFault::WrongEcho, -1, -1, "gsex")});
    row("fault: bad check value", loader, Probe, Probe + "nn" + QByteArray::fromHex("6381"), {},
        {fault("1g", DeviceFault::BadCheck)}); // 9c 7e spoilt
    row("fault: split, within the time-outs", ready, "gfwv", checked("01025901") + "gfwv", {},
        {fault("gfwv", DeviceFault::Split, 3, 30)});
}

void TestSimulatedDevice::replies()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArrayList, before);
    QFETCH(QList<DeviceFault>, faults);
    SimulatedDevice *device = start(profile);
    for (const DeviceFault &each : faults)
        device->addFault(each);
    Line line;
    QVERIFY(line.opened);
    for (const QByteArray &setup : before)
        QVERIFY(line.ask(setup, profile.mode == DeviceMode::Loader ? 6 : 4));

    QByteArray reply;
    QCOMPARE(line.ask(request, sent.isEmpty() ? 4 : int(sent.size()), &reply), !sent.isEmpty());
    QCOMPARE(reply.left(sent.size()), sent);
    QVERIFY(device->log().waitForSize(int(before.size()) + 1, DeviceWaitMs));
    const WireRecord record = device->log().records().last();
    QCOMPARE(record.reply, sent);
    QCOMPARE(record.fault, faults.isEmpty() ? QString() : DeviceFault::kindName(faults[0].kind));
}

QTEST_GUILESS_MAIN(TestSimulatedDevice)
#include "tst_simulateddevice.moc"
