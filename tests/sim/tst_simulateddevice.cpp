#include "ComPort.h"
#include "SecondOpener.h"
#include "SimulatedPorts.h"
#include "crc16.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <thread>

namespace {

constexpr int Port = 7;
// The program's read limit: a reply that should come must come within it, a silent request
// costs it.
constexpr quint32 ReadConstantMs = 300;
constexpr quint32 ReadMultiplierMs = 2;
constexpr quint32 WriteMultiplierMs = 1000;
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

// Whether bytes checkAt and checkAt + 1 hold the crc16 of the bytes from `from` up to checkAt.
bool checkHolds(const QByteArray &bytes, int checkAt, int from = 0)
{
    const QByteArray covered = bytes.mid(from, checkAt - from);
    return bytes.mid(checkAt, 2) == le16(crc16(covered.constData(), unsigned(covered.size())));
}

// A loader frame as the wire carries it: code, length, data, check value.
QByteArray frame(quint16 code, const QByteArray &data = {})
{
    return withCheck(le16(code) + le16(quint16(data.size())) + data);
}

const QByteArray Reset = QByteArray::fromHex("00f00000");
const QByteArray FirmwareProbe = QByteArray::fromHex("31670000");
const QByteArray LoaderProbe = QByteArray::fromHex("441100004337");
const QByteArray Connect = QByteArray::fromHex("34120000ae11");
const QByteArray Disconnect = QByteArray::fromHex("21430000fbcc");
const QByteArray Address("F000\n\0\0\0", 8);

QByteArray newSection(const QByteArray &address)
{
    return frame(0x4411, address);
}

QByteArray writeData(const QByteArray &data)
{
    return frame(0x1144, data);
}

// A fault that shapes the reply it strikes, with `bytes`, `delayMs` and `payload` as its kind reads
// them.
DeviceFault shaping(const QString &request, DeviceFault::Kind kind, int bytes, int delayMs = -1,
                    const QByteArray &payload = {})
{
    DeviceFault result = DeviceFault::on(request, kind);
    result.bytes = bytes;
    result.delayMs = delayMs;
    result.payload = payload;
    return result;
}

// The program's end of one simulated port: a ComPort opened on its COM name.
class Line
{
public:
    explicit Line(int number = Port, bool oneStopBit = false)
    {
        port.setTimeouts(0, ReadConstantMs, ReadMultiplierMs, 0, WriteMultiplierMs);
        opened = port.open(SimulatedPorts::portNameBytes(number).constData(), oneStopBit);
    }
    ~Line() { port.close(); }

    bool isOpen() const { return opened; }

    // One transaction; `reply` receives the whole reply buffer, zeros where nothing arrived.
    bool ask(const QByteArray &request, int replyLength, QByteArray *reply = nullptr)
    {
        QByteArray buffer(replyLength, '\0');
        const bool ok = port.transact(request.constData(), unsigned(request.size()), buffer.data(),
                                      unsigned(replyLength));
        if (reply)
            *reply = buffer;
        return ok;
    }
    bool askRaw(const QByteArray &request, int replyLength, QByteArray *reply = nullptr)
    {
        QByteArray buffer(replyLength, '\0');
        const bool ok = port.transactRaw(request.constData(), unsigned(request.size()),
                                         buffer.data(), unsigned(replyLength));
        if (reply)
            *reply = buffer;
        return ok;
    }
    bool send(const QByteArray &request) { return askRaw(request, 0); }

    // A loader frame sent as the update sends WRITE DATA: head and data, then the check value.
    bool askInTwoWrites(const QByteArray &frameBytes, QByteArray *reply)
    {
        return send(frameBytes.chopped(2)) && askRaw(frameBytes.right(2), 6, reply);
    }

private:
    ComPort port;
    bool opened = false;
};

DeviceProfile profileNamed(const QByteArray &name)
{
    if (name == "legacy")
        return DeviceProfile::legacy();
    if (name == "loader")
        return DeviceProfile::loader();
    if (name == "isp")
        return DeviceProfile::isp();
    if (name == "silent")
        return DeviceProfile::silent();
    return DeviceProfile::ready();
}

} // namespace

class TestSimulatedDevice : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void firmwareAnswers_data();
    void firmwareAnswers();
    void unknownVariantsGetSilence_data();
    void unknownVariantsGetSilence();
    void probesTellModesApart_data();
    void probesTellModesApart();
    void ispEchoesOnlyAtOneStopBit_data();
    void ispEchoesOnlyAtOneStopBit();
    void calibrationBlocks_data();
    void calibrationBlocks();
    void updateBootsTheImage_data();
    void updateBootsTheImage();
    void incompleteImageStaysInLoader();
    void loaderStatus_data();
    void loaderStatus();
    void intactFirmwareBootsByItself();
    void faultsSpoilReplies_data();
    void faultsSpoilReplies();
    void resetIgnoredWhileFaultLasts();
    void lateTailIsPurgedByTheNextTransaction();
    void unplugRemovesThePort_data();
    void unplugRemovesThePort();
    void halfRequestIsDropped();
    void pacing_data();
    void pacing();
    void replyLatency_data();
    void replyLatency();
    void devicesWorkSideBySide();

private:
    SimulatedDevice *start(const DeviceProfile &profile, int number = Port);

    std::unique_ptr<SimulatedPorts> ports;
};

SimulatedDevice *TestSimulatedDevice::start(const DeviceProfile &profile, int number)
{
    if (!ports)
        ports = std::make_unique<SimulatedPorts>();
    SimulatedDevice *device = ports->add(number, profile);
    if (!device)
        qFatal("no pseudo-terminal for a simulated device");
    return device;
}

void TestSimulatedDevice::cleanup()
{
    ports.reset();
}

void TestSimulatedDevice::firmwareAnswers_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("replyLength");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("checkFrom");
    QTest::addColumn<int>("checkAt");

    // Serial 100001, version 1.2.345, m0 1000, m1 1000, m4 1200, m5 1000.
    QTest::newRow("geti 36") << QByteArray("geti") << 36 << QByteArray("ZLKRDLDL-METER") << 0 << 30;
    QTest::newRow("gser") << QByteArray("gser") << 10 << QByteArray::fromHex("a1860100") << 0 << 4;
    QTest::newRow("g000") << QByteArray("g000") << 10 << QByteArray::fromHex("a1860100") << 0 << 4;
    QTest::newRow("gfwv") << QByteArray("gfwv") << 10 << QByteArray::fromHex("01025901") << 0 << 4;
    QTest::newRow("g001") << QByteArray("g001") << 10 << QByteArray::fromHex("01025901") << 0 << 4;
    QTest::newRow("rdan") << QByteArray("rdan") << 54
                          << QByteArray::fromHex("e803e8031400 1e00 b004 e803") << 0 << 48;
    QTest::newRow("1234 puts its word first")
        << QByteArray("1234") << 34 << QByteArray::fromHex("31323334 e803e803b004e803") << 4 << 32;
    QTest::newRow("init") << QByteArray("init") << 4 << QByteArray("init") << 0 << -1;
    QTest::newRow("calb") << QByteArray("calb") << 4 << QByteArray("calb") << 0 << -1;
    QTest::newRow("save") << QByteArray("save") << 4 << QByteArray("save") << 0 << -1;
}

void TestSimulatedDevice::firmwareAnswers()
{
    QFETCH(QByteArray, command);
    QFETCH(int, replyLength);
    QFETCH(QByteArray, data);
    QFETCH(int, checkFrom);
    QFETCH(int, checkAt);
    start(DeviceProfile::ready());
    Line line;
    QVERIFY(line.isOpen());

    QByteArray reply;
    const bool echoed = line.ask(command, replyLength, &reply);
    if (command == "1234")
        QVERIFY(!echoed); // its echo comes first, so the echo check at the end fails
    else
        QVERIFY(echoed);
    QCOMPARE(reply.left(data.size()), data);
    if (checkAt >= 0)
        QVERIFY(checkHolds(reply, checkAt, checkFrom));
}

void TestSimulatedDevice::unknownVariantsGetSilence_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("replyLength");
    QTest::addColumn<bool>("answered");

    // The legacy profile: 20-byte "geti", old forms only, "calb" only after "init".
    QTest::newRow("geti 36") << QByteArray("geti") << 36 << false;
    QTest::newRow("geti 20") << QByteArray("geti") << 20 << true;
    QTest::newRow("gser") << QByteArray("gser") << 10 << false;
    QTest::newRow("g000") << QByteArray("g000") << 10 << true;
    QTest::newRow("gfwv") << QByteArray("gfwv") << 10 << false;
    QTest::newRow("g001") << QByteArray("g001") << 10 << true;
    QTest::newRow("rdan") << QByteArray("rdan") << 54 << false;
    QTest::newRow("calb before init") << QByteArray("calb") << 4 << false;
    QTest::newRow("a word nobody knows") << QByteArray("zzzz") << 4 << false;
}

void TestSimulatedDevice::unknownVariantsGetSilence()
{
    QFETCH(QByteArray, command);
    QFETCH(int, replyLength);
    QFETCH(bool, answered);
    SimulatedDevice *device = start(DeviceProfile::legacy());
    Line line;

    QCOMPARE(line.ask(command, replyLength), answered);
    QVERIFY(device->log().waitForSize(1, DeviceWaitMs));
    // Silence is not a single byte (the 36-byte "geti" fails on the 20-byte answer instead).
    if (!answered && replyLength != 36)
        QVERIFY(device->log().records().first().reply.isEmpty());
}

void TestSimulatedDevice::probesTellModesApart_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<bool>("probeYes");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("replyLength");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QByteArray>("expected"); // at byte 4 of an 8-byte answer, else at 0

    QTest::newRow("firmware says errc")
        << QByteArray("ready") << false << FirmwareProbe << 8 << false << QByteArray("errc");
    QTest::newRow("firmware says yy")
        << QByteArray("ready") << true << FirmwareProbe << 8 << true << QByteArray("yy");
    QTest::newRow("loader says nn")
        << QByteArray("loader") << false << FirmwareProbe << 8 << true << QByteArray("nn");
    QTest::newRow("loader answers its probe")
        << QByteArray("loader") << false << LoaderProbe << 2 << true << QByteArray::fromHex("ecee");
    QTest::newRow("firmware ignores the loader probe")
        << QByteArray("ready") << false << LoaderProbe << 2 << false << QByteArray();
    QTest::newRow("isp ignores 1g")
        << QByteArray("isp") << false << FirmwareProbe << 8 << false << QByteArray();
    QTest::newRow("nothing attached")
        << QByteArray("silent") << false << FirmwareProbe << 8 << false << QByteArray();
}

void TestSimulatedDevice::probesTellModesApart()
{
    QFETCH(QByteArray, profile);
    QFETCH(bool, probeYes);
    QFETCH(QByteArray, request);
    QFETCH(int, replyLength);
    QFETCH(bool, complete);
    QFETCH(QByteArray, expected);
    DeviceProfile chosen = profileNamed(profile);
    if (probeYes)
        chosen.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    SimulatedDevice *device = start(chosen);
    Line line;

    QByteArray reply;
    QCOMPARE(line.askRaw(request, replyLength, &reply), complete);
    QVERIFY(device->log().waitForSize(1, DeviceWaitMs));
    const QByteArray sent = device->log().records().first().reply;
    if (replyLength == 8 && complete) {
        QCOMPARE(reply.mid(4, 2), expected);
        QVERIFY(checkHolds(reply, 6));
    } else {
        QCOMPARE(sent, expected);
        QCOMPARE(reply.left(sent.size()), sent);
    }
}

void TestSimulatedDevice::ispEchoesOnlyAtOneStopBit_data()
{
    QTest::addColumn<bool>("oneStopBit");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<bool>("echoed");

    QTest::newRow("one stop bit") << true << QByteArray("?") << true;
    QTest::newRow("two stop bits") << false << QByteArray("?") << false;
    QTest::newRow("other byte") << true << QByteArray("!") << false;
}

void TestSimulatedDevice::ispEchoesOnlyAtOneStopBit()
{
    QFETCH(bool, oneStopBit);
    QFETCH(QByteArray, request);
    QFETCH(bool, echoed);
    start(DeviceProfile::isp());
    // The scan opens the port with two stop bits first; the device must follow the change.
    {
        Line normal;
    }
    Line line(Port, oneStopBit);

    QByteArray reply;
    line.askRaw(request, 1, &reply);
    QCOMPARE(reply == "?", echoed);
}

void TestSimulatedDevice::calibrationBlocks_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<bool>("enterCalibration");
    QTest::addColumn<bool>("spoilCheck");
    QTest::addColumn<bool>("stored");

    QTest::newRow("scal") << QByteArray("scal") << 80 << true << false << true;
    QTest::newRow("s002") << QByteArray("s002") << 24 << true << false << true;
    QTest::newRow("scal with a bad check value")
        << QByteArray("scal") << 80 << true << true << false;
    QTest::newRow("scal outside calibration mode")
        << QByteArray("scal") << 80 << false << false << false;
}

void TestSimulatedDevice::calibrationBlocks()
{
    QFETCH(QByteArray, command);
    QFETCH(int, blockSize);
    QFETCH(bool, enterCalibration);
    QFETCH(bool, spoilCheck);
    QFETCH(bool, stored);
    SimulatedDevice *device = start(DeviceProfile::ready());
    Line line;
    if (enterCalibration)
        QVERIFY(line.ask("calb", 4));

    QByteArray block;
    for (int i = 0; i < blockSize; ++i)
        block.append(char(i * 7 + 1));
    QByteArray request = command + withCheck(block);
    if (spoilCheck)
        request[request.size() - 1] = char(request.back() ^ 0x40);
    QByteArray reply;
    QCOMPARE(line.ask(request, 4, &reply), stored);
    if (!stored)
        QCOMPARE(reply, QByteArray("errc"));
    QVERIFY(line.ask("save", 4));

    const DeviceState state = device->state();
    QCOMPARE(command == "scal" ? state.calibration : state.oldCalibration,
             stored ? block : QByteArray());
    QVERIFY(state.saved);
}

void TestSimulatedDevice::updateBootsTheImage_data()
{
    QTest::addColumn<QByteArrayList>("lines");
    QTest::addColumn<QString>("version");

    QTest::newRow("version text") << QByteArrayList {"30 31 32 33\n", "VER:2.5.77\n"}
                                  << QStringLiteral("2.5.77");
    QTest::newRow("version text across two lines")
        << QByteArrayList {"VE", "R:3.1.2\n"} << QStringLiteral("3.1.2");
    QTest::newRow("version out of range")
        << QByteArrayList {"VER:2.5.70000\n"}
        << QStringLiteral("0.0.%1").arg(crc16("VER:2.5.70000\n", 14));
    const QByteArray plain = "0A 0B 0C 0D\n";
    QTest::newRow("no version text")
        << QByteArrayList {plain} << QStringLiteral("0.0.%1").arg(crc16(plain.constData(), 12));
}

void TestSimulatedDevice::updateBootsTheImage()
{
    QFETCH(QByteArrayList, lines);
    QFETCH(QString, version);
    SimulatedDevice *device = start(DeviceProfile::ready());
    Line line;
    QByteArray reply;

    QVERIFY(line.send(Reset));
    QVERIFY(line.askRaw(FirmwareProbe, 8, &reply));
    QCOMPARE(reply.mid(4, 2), QByteArray("nn"));
    QVERIFY(line.askRaw(Connect, 6, &reply));
    QCOMPARE(reply.left(4), QByteArray::fromHex("34120000"));
    QVERIFY(line.askRaw(newSection(Address), 6, &reply));
    QCOMPARE(reply.left(4), QByteArray::fromHex("11440000"));
    for (const QByteArray &data : lines) {
        QVERIFY(line.askInTwoWrites(writeData(data), &reply));
        QCOMPARE(reply.left(4), QByteArray::fromHex("44110000"));
    }
    QVERIFY(line.askRaw(Disconnect, 6, &reply));
    QCOMPARE(reply.left(4), QByteArray::fromHex("21430000"));
    QVERIFY(line.send(Reset));
    QVERIFY(line.ask("gfwv", 10, &reply));

    const FirmwareVersion reported {quint8(reply[0]), quint8(reply[1]),
                                    qFromLittleEndian<quint16>(reply.constData() + 2)};
    QCOMPARE(reported.toString(), version);
    const DeviceState state = device->state();
    QCOMPARE(state.image.sections().size(), 1);
    QCOMPARE(state.image.sections().first().address, Address);
    QCOMPARE(state.image.data(), lines.join());

    // Each WRITE DATA came in two writes and is logged as the one frame the wire carried.
    QStringList expected {"RESET", "1g", "CONNECT", "NEW SECTION"};
    for (int i = 0; i < lines.size(); ++i)
        expected << "WRITE DATA";
    expected << "DISCONNECT"
             << "RESET"
             << "gfwv";
    QCOMPARE(device->log().requests(), expected);
    const QList<WireRecord> records = device->log().records();
    QCOMPARE(records[4].bytes, writeData(lines.first()));
    QCOMPARE(records[0].mode, DeviceMode::Firmware);
    QCOMPARE(records[1].mode, DeviceMode::Loader);
    for (int i = 1; i < records.size(); ++i)
        QVERIFY(records[i - 1].received <= records[i].received);
}

void TestSimulatedDevice::incompleteImageStaysInLoader()
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.bootDelayMs = 100;
    SimulatedDevice *device = start(profile);
    Line line;
    QByteArray reply;

    QVERIFY(line.send(Reset));
    QVERIFY(line.askRaw(Connect, 6));
    QVERIFY(line.askRaw(newSection(Address), 6));
    QVERIFY(line.askInTwoWrites(writeData("VER:9.9.9\n"), &reply));
    QVERIFY(line.send(Reset));
    QTest::qWait(3 * profile.bootDelayMs);

    QVERIFY(line.askRaw(FirmwareProbe, 8, &reply));
    QCOMPARE(reply.mid(4, 2), QByteArray("nn"));
    QCOMPARE(device->mode(), DeviceMode::Loader);
    QVERIFY(!device->state().firmwareIntact);
}

void TestSimulatedDevice::loaderStatus_data()
{
    QTest::addColumn<QByteArrayList>("before");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("connect") << QByteArrayList {} << Connect << QByteArray::fromHex("34120000");
    QTest::newRow("section before connect")
        << QByteArrayList {} << newSection("00001000") << QByteArray::fromHex("11440100");
    QTest::newRow("data before connect")
        << QByteArrayList {} << writeData("AB") << QByteArray::fromHex("44110100");
    QTest::newRow("data before any section")
        << QByteArrayList {Connect} << writeData("AB") << QByteArray::fromHex("44110100");
    QTest::newRow("short address")
        << QByteArrayList {Connect} << newSection("1000") << QByteArray::fromHex("11440100");
    QTest::newRow("empty data") << QByteArrayList {Connect, newSection("00001000")}
                                << QByteArray::fromHex("44110000"
                                                       "44d1")
                                << QByteArray::fromHex("44110000");
    QTest::newRow("disconnect before connect")
        << QByteArrayList {} << Disconnect << QByteArray::fromHex("21430100");
    QTest::newRow("unknown code") << QByteArrayList {} << frame(0x5555)
                                  << QByteArray::fromHex("55550200");
    QTest::newRow("bad check value")
        << QByteArrayList {} << QByteArray::fromHex("341200000000") << QByteArray::fromHex("ecee");
}

void TestSimulatedDevice::loaderStatus()
{
    QFETCH(QByteArrayList, before);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, expected);
    SimulatedDevice *device = start(DeviceProfile::loader());
    Line line;
    for (const QByteArray &frameBytes : before)
        QVERIFY(line.askRaw(frameBytes, 6));

    QByteArray reply;
    QCOMPARE(line.askRaw(request, 6, &reply), expected.size() == 4);
    QCOMPARE(reply.left(expected.size()), expected);
    QVERIFY(device->log().waitForSize(int(before.size()) + 1, DeviceWaitMs));
}

void TestSimulatedDevice::intactFirmwareBootsByItself()
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.bootDelayMs = 800;
    SimulatedDevice *device = start(profile);
    Line line;

    QVERIFY(line.send(Reset));
    // Requests keep it in the loader well beyond its boot delay ...
    QElapsedTimer kept;
    kept.start();
    while (kept.elapsed() < 2 * profile.bootDelayMs) {
        QByteArray reply;
        QVERIFY(line.askRaw(FirmwareProbe, 8, &reply));
        QCOMPARE(reply.mid(4, 2), QByteArray("nn"));
        QTest::qWait(profile.bootDelayMs / 16);
    }
    // ... and a quiet spell lets it boot.
    QTRY_COMPARE_WITH_TIMEOUT(device->mode(), DeviceMode::Firmware, DeviceWaitMs);
    QVERIFY(line.ask("gser", 10));
}

void TestSimulatedDevice::faultsSpoilReplies_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<DeviceFault>("fault");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("replyLength");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QByteArray>("sent"); // what the device puts on the wire

    QTest::newRow("no reply") << QByteArray("ready")
                              << DeviceFault::on("gser", DeviceFault::NoReply) << QByteArray("gser")
                              << 10 << false << QByteArray();
    QTest::newRow("short reply") << QByteArray("ready")
                                 << shaping("gfwv", DeviceFault::ShortReply, 6)
                                 << QByteArray("gfwv") << 10 << false
                                 << withCheck(QByteArray::fromHex("01025901"));
    QTest::newRow("wrong echo") << QByteArray("ready")
                                << shaping("gser", DeviceFault::WrongEcho, -1, -1, "gsex")
                                << QByteArray("gser") << 10 << false
                                << withCheck(QByteArray::fromHex("a1860100")) + "gsex";
    QTest::newRow("wrong code")
        << QByteArray("loader")
        << shaping("CONNECT", DeviceFault::WrongEcho, -1, -1, QByteArray::fromHex("4411"))
        << Connect << 6 << true
        << withCheck(QByteArray::fromHex("34120000")).replace(0, 2, QByteArray::fromHex("4411"));
    DeviceFault status = DeviceFault::on("CONNECT", DeviceFault::BadStatus);
    status.value = 3;
    QTest::newRow("status") << QByteArray("loader") << status << Connect << 6 << true
                            << withCheck(QByteArray::fromHex("34120300"));
    QTest::newRow("garbage") << QByteArray("ready")
                             << shaping("geti", DeviceFault::Garbage, -1, -1, "xyz")
                             << QByteArray("geti") << 36 << false << QByteArray("xyz");
    QTest::newRow("bad check value")
        << QByteArray("loader") << DeviceFault::on("1g", DeviceFault::BadCheck) << FirmwareProbe
        << 8 << true << FirmwareProbe + "nn" + QByteArray::fromHex("6381"); // 9c 7e spoilt
    QTest::newRow("split, within the time-outs")
        << QByteArray("ready") << shaping("gfwv", DeviceFault::Split, 3, 30) << QByteArray("gfwv")
        << 10 << true << withCheck(QByteArray::fromHex("01025901")) + "gfwv";
}

void TestSimulatedDevice::faultsSpoilReplies()
{
    QFETCH(QByteArray, profile);
    QFETCH(DeviceFault, fault);
    QFETCH(QByteArray, request);
    QFETCH(int, replyLength);
    QFETCH(bool, complete);
    QFETCH(QByteArray, sent);
    SimulatedDevice *device = start(profileNamed(profile));
    device->addFault(fault);
    Line line;

    QByteArray reply;
    const bool raw = profile == "loader";
    QCOMPARE(raw ? line.askRaw(request, replyLength, &reply)
                 : line.ask(request, replyLength, &reply),
             complete);
    QCOMPARE(reply.left(sent.size()), sent);
    QVERIFY(device->log().waitForSize(1, DeviceWaitMs));
    QCOMPARE(device->log().records().first().reply, sent);
    QCOMPARE(device->log().records().first().fault, DeviceFault::kindName(fault.kind));
    // A fault strikes once by default: the same request is served normally afterwards.
    QVERIFY(raw ? line.askRaw(request, replyLength) : line.ask(request, replyLength));
}

void TestSimulatedDevice::resetIgnoredWhileFaultLasts()
{
    SimulatedDevice *device = start(DeviceProfile::ready());
    device->addFault(DeviceFault::on("RESET", DeviceFault::NoReply, 0, 4));
    Line line;

    for (int attempt = 1; attempt <= 5; ++attempt) {
        QVERIFY(line.send(Reset));
        QByteArray reply;
        const bool loaderAnswered = line.askRaw(FirmwareProbe, 8, &reply);
        QCOMPARE(loaderAnswered, attempt == 5);
        QCOMPARE(reply.left(4), attempt == 5 ? QByteArray::fromHex("31670000") : "errc");
    }
    QCOMPARE(device->state().resets, 1);
}

void TestSimulatedDevice::lateTailIsPurgedByTheNextTransaction()
{
    SimulatedDevice *device = start(DeviceProfile::ready());
    device->addFault(shaping("gfwv", DeviceFault::LateTail, 2, 3 * ReadConstantMs));
    const SecondOpener port(device->portPath());
    Line line;

    QVERIFY(!line.ask("gfwv", 10));
    // The tail arrives after the reader gave up, and waits on the line.
    QVERIFY(port.waitForPendingInput(2, DeviceWaitMs));
    QByteArray reply;
    QVERIFY(line.ask("gser", 10, &reply));
    QCOMPARE(reply.left(4), QByteArray::fromHex("a1860100"));
}

void TestSimulatedDevice::unplugRemovesThePort_data()
{
    QTest::addColumn<bool>("byFault");

    QTest::newRow("fault on the second gser") << true;
    QTest::newRow("pulled by the test") << false;
}

void TestSimulatedDevice::unplugRemovesThePort()
{
    QFETCH(bool, byFault);
    SimulatedDevice *device = start(DeviceProfile::ready());
    if (byFault)
        device->addFault(DeviceFault::on("gser", DeviceFault::Unplug, 1));
    Line line;
    QVERIFY(line.ask("gser", 10));
    if (!byFault)
        device->unplug();

    QVERIFY(!line.ask("gser", 10));
    QTRY_COMPARE_WITH_TIMEOUT(device->mode(), DeviceMode::Unplugged, DeviceWaitMs);
    QVERIFY(!QFile::exists(device->portPath()));
    QVERIFY(!Line().isOpen());
}

void TestSimulatedDevice::halfRequestIsDropped()
{
    SimulatedDevice *device = start(DeviceProfile::ready());
    Line line;

    QVERIFY(line.send("ge"));
    QVERIFY(device->log().waitForSize(1, DeviceWaitMs));
    QVERIFY(line.ask("gser", 10));
    QCOMPARE(device->log().requests(), QStringList({"incomplete", "gser"}));
    QCOMPARE(device->log().records().first().bytes, QByteArray("ge"));
}

void TestSimulatedDevice::pacing_data()
{
    QTest::addColumn<QByteArray>("profile");
    QTest::addColumn<QByteArrayList>("setup");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("replyLength");

    // About 1000 bytes in one direction, in one transaction, so that only the line sets the pace.
    QTest::newRow("to the device")
        << QByteArray("loader") << QByteArrayList {Connect, newSection("00001000")}
        << writeData(QByteArray(32, 'D')) << 26 << 6;
    QTest::newRow("from the device")
        << QByteArray("ready") << QByteArrayList {} << QByteArray("rdan") << 20 << 54;
}

void TestSimulatedDevice::pacing()
{
    QFETCH(QByteArray, profile);
    QFETCH(QByteArrayList, setup);
    QFETCH(QByteArray, request);
    QFETCH(int, count);
    QFETCH(int, replyLength);
    DeviceProfile paced = profileNamed(profile);
    paced.pacing = true;
    start(paced);
    Line line;
    for (const QByteArray &frameBytes : setup)
        QVERIFY(line.askRaw(frameBytes, 6));

    QElapsedTimer timer;
    timer.start();
    QVERIFY(line.askRaw(request.repeated(count), count * replyLength));
    const double elapsedMs = timer.nsecsElapsed() / 1e6;

    // The last reply byte follows the last request byte, or the first request byte precedes
    // every reply byte: whichever direction carries more sets the floor.
    const int sent = int(request.size()) * count;
    const int received = replyLength * count;
    const int lineBytes = qMax(sent + replyLength, int(request.size()) + received);
    const double floorMs = lineBytes * 11 * 1000.0 / 115200;
    qInfo("%d bytes to the device, %d back: %.1f ms; line time %.1f ms", sent, received, elapsedMs,
          floorMs);
    // Only the floor is firm: a paced device can never be faster than the line.
    QVERIFY2(elapsedMs >= floorMs, qPrintable(QString::number(elapsedMs)));
    QVERIFY2(elapsedMs < 4 * floorMs + 2000, qPrintable(QString::number(elapsedMs)));
}

void TestSimulatedDevice::replyLatency_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<int>("latencyMs");
    QTest::addColumn<int>("frames");

    QTest::newRow("latency") << false << 40 << 5;
    QTest::newRow("latency and line speed") << true << 20 << 10;
}

void TestSimulatedDevice::replyLatency()
{
    QFETCH(bool, paced);
    QFETCH(int, latencyMs);
    QFETCH(int, frames);
    DeviceProfile profile = DeviceProfile::loader();
    profile.pacing = paced;
    profile.replyLatencyMs = latencyMs;
    start(profile);
    Line line;
    QVERIFY(line.askRaw(Connect, 6));
    QVERIFY(line.askRaw(newSection("00001000"), 6));

    const QByteArray request = writeData(QByteArray(32, 'D'));
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < frames; ++i)
        QVERIFY(line.askInTwoWrites(request, nullptr));
    const double elapsedMs = timer.nsecsElapsed() / 1e6;

    const int bytes = frames * int(request.size() + 6);
    const double floorMs = (paced ? bytes * 11 * 1000.0 / 115200 : 0) + frames * latencyMs;
    qInfo("%d exchanges: %.1f ms; at least %.1f ms", frames, elapsedMs, floorMs);
    QVERIFY2(elapsedMs >= floorMs, qPrintable(QString::number(elapsedMs)));
    QVERIFY2(elapsedMs < 4 * floorMs + 2000, qPrintable(QString::number(elapsedMs)));
}

void TestSimulatedDevice::devicesWorkSideBySide()
{
    constexpr int Devices = 6;
    constexpr int Rounds = 20;
    for (int i = 1; i <= Devices; ++i) {
        DeviceProfile profile = DeviceProfile::ready();
        profile.serialNumber = quint32(1000 + i);
        start(profile, i);
    }

    std::atomic<int> failures {0};
    std::vector<std::thread> workers;
    for (int i = 1; i <= Devices; ++i) {
        workers.emplace_back([i, &failures] {
            Line line(i);
            for (int round = 0; round < Rounds; ++round) {
                QByteArray reply;
                if (!line.ask("gser", 10, &reply)
                    || qFromLittleEndian<quint32>(reply.constData()) != quint32(1000 + i))
                    ++failures;
            }
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    QCOMPARE(failures.load(), 0);
    for (int i = 1; i <= Devices; ++i)
        QCOMPARE(ports->device(i)->log().size(), Rounds);
}

QTEST_GUILESS_MAIN(TestSimulatedDevice)
#include "tst_simulateddevice.moc"
