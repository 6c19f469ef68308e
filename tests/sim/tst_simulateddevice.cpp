#include "ComPort.h"
#include "SimulatedPorts.h"
#include "crc16.h"

#include <QTest>
#include <QtEndian>

namespace {

constexpr int Port = 7;

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

// The default measurement words m<from> up to m<to - 1>, as sent.
QByteArray words(int from, int to)
{
    QByteArray bytes;
    for (int i = from; i < to; ++i)
        bytes += le16(quint16(DeviceProfile::ready().measurements[size_t(i)]));
    return bytes;
}

const QByteArray Probe = QByteArray::fromHex("31670000"); // "1g"
const QByteArray Connect = QByteArray::fromHex("34120000ae11");

} // namespace

// What the simulated device puts on the wire, byte for byte: the other tests take its word for
// the devices' formats, so these check it against the formats written out by hand.
class TestSimulatedDevice : public QObject
{
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
};

void TestSimulatedDevice::replies_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("sent"); // the whole reply

    const DeviceProfile ready = DeviceProfile::ready(), legacy = DeviceProfile::legacy(),
                        loader = DeviceProfile::loader();
    const auto row = [](const char *name, const DeviceProfile &profile, const QByteArray &request,
                        const QByteArray &sent) {
        QTest::newRow(name) << profile << request << sent;
    };

    // Firmware: data, its check value, the command word.
    row("geti", ready, "geti", withCheck("ZLKRDLDL-METER" + QByteArray(16, '#')) + "geti");
    row("gser", ready, "gser", checked("a1860100") + "gser"); // 100001
    row("gfwv", ready, "gfwv", checked("01025901") + "gfwv"); // 1.2.345
    row("rdan", ready, "rdan", withCheck(words(0, 24)) + "rdan");
    row("legacy g000", legacy, "g000", checked("67120000") + "g000"); // 4711
    row("legacy 1234 puts its word first", legacy, "1234",
        "1234" + withCheck(words(0, 2) + words(4, 6) + words(2, 4) + words(6, 14)));
    // Loader: code, status, check value.
    row("loader 1g", loader, Probe, withCheck(Probe + "nn"));
    row("CONNECT", loader, Connect, checked("34120000"));
    row("bad check value", loader, QByteArray::fromHex("341200000000"),
        QByteArray::fromHex("ecee"));
}

void TestSimulatedDevice::replies()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, sent);
    SimulatedPorts ports;
    QVERIFY(ports.add(Port, profile));
    ComPort line;
    line.setTimeouts(LinkTimeouts::reads(300, 2).writes(0, 1000));
    QVERIFY(line.open(SimulatedPorts::portNameBytes(Port).constData(), false));
    QByteArray reply(sent.size(), '\0');
    QVERIFY(line.transactRaw(request.constData(), unsigned(request.size()), reply.data(),
                             unsigned(reply.size())));
    QCOMPARE(reply, sent);
}

QTEST_GUILESS_MAIN(TestSimulatedDevice)
#include "tst_simulateddevice.moc"
