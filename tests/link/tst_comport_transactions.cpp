#include "ComPort.h"
#include "FarEnd.h"
#include "MappedLine.h"
#include "SecondOpener.h"
#include "crc16.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

constexpr quint32 ReadConstantMs = 300;
constexpr quint32 WriteMultiplierMs = 1000;
// Far ends wait this long for what the link sends; it never runs out in a passing test.
constexpr int FarEndWaitMs = 3000;
// Upper bounds only catch a call that hangs; they are far above any expected duration.
constexpr qint64 GenerousMs = 1500;
const char Untouched = '\x5A';

} // namespace

class TestComPortTransactions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void checkValue();
    void exchange_data();
    void exchange();
    void wrongEchoOnALineThatNeverFallsQuiet();
    void splitFramesArriveWhole();
    void hangUpFailsAtOnce();
    void closeFromAnotherThreadWaitsForTheTransaction();

private:
    std::unique_ptr<MappedLine> line;
    std::unique_ptr<SecondOpener> watcher;
    std::unique_ptr<ComPort> link;
};

void TestComPortTransactions::init()
{
    line = std::make_unique<MappedLine>(5);
    // Before the link holds the port: an exclusive terminal admits no new opener.
    watcher = std::make_unique<SecondOpener>(line->portPath());
    link = std::make_unique<ComPort>();
    link->setTimeouts(LinkTimeouts::reads(ReadConstantMs, 0).writes(0, WriteMultiplierMs));
    QVERIFY(link->open(line->latin1Name(), StopBits::Two));
}

void TestComPortTransactions::cleanup()
{
    link.reset();
    watcher.reset();
    line.reset();
}

// Published values: frames built and checked with the same wrong start value or polynomial
// would agree with each other and with nothing a device sends.
void TestComPortTransactions::checkValue()
{
    QCOMPARE(crc16("123456789", 9), quint16(0x4B37));
    QCOMPARE(crc16("", 0), quint16(0xFFFF));
}

void TestComPortTransactions::exchange_data()
{
    QTest::addColumn<bool>("raw");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("replyLen");
    QTest::addColumn<QByteArray>("deviceReply");
    QTest::addColumn<int>("gapMs"); // between the reply's bytes; 0: all at once
    QTest::addColumn<bool>("result");
    QTest::addColumn<qint64>("minMs");

    const QByteArray version = QByteArray::fromHex("01023412") + "ck";
    QTest::newRow("data and echo")
        << false << QByteArray("gfwv") << 10 << version + "gfwv" << 0 << true << qint64(0);
    QTest::newRow("wrong echo") << false << QByteArray("gfwv") << 10 << version + "gfwx" << 0
                                << false << qint64(0);
    // Byte by byte, far slower than one read's time-out in all.
    QTest::newRow("reply trickling in")
        << false << QByteArray("gfwv") << 10 << version + "gfwv" << 50 << true << qint64(450);
    // A short reply is waited for twice: the first read's full time, then a fresh one for the
    // bytes still missing, which brings nothing.
    QTest::newRow("errc to the firmware probe")
        << true << QByteArray("1g\0\0", 4) << 8 << QByteArray("errc") << 0 << false
        << qint64(2 * ReadConstantMs);
    QTest::newRow("raw: more than asked for")
        << true << QByteArray::fromHex("441100004337") << 2 << QByteArray::fromHex("eceeffff") << 0
        << true << qint64(0);
}

// Whatever arrived is in the reply buffer, the rest of it untouched, true or false. Bytes beyond
// the reply are still waiting when the next transaction starts, which must discard them.
void TestComPortTransactions::exchange()
{
    QFETCH(bool, raw);
    QFETCH(QByteArray, request);
    QFETCH(int, replyLen);
    QFETCH(QByteArray, deviceReply);
    QFETCH(int, gapMs);
    QFETCH(bool, result);
    QFETCH(qint64, minMs);

    QByteArray received;
    FarEnd device([&] {
        received = line->read(request.size(), FarEndWaitMs);
        const int piece = gapMs ? 1 : int(deviceReply.size());
        for (int i = 0; i < deviceReply.size(); i += piece) {
            if (i > 0)
                QThread::msleep(gapMs);
            line->write(deviceReply.mid(i, piece));
        }
        if (line->read(4, FarEndWaitMs) == "save")
            line->write("save");
    });
    QByteArray reply(replyLen, Untouched);
    char *buffer = replyLen ? reply.data() : nullptr;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(raw ? link->transactRaw(request.constData(), unsigned(request.size()), buffer,
                                     unsigned(replyLen))
                 : link->transact(request.constData(), unsigned(request.size()), buffer,
                                  unsigned(replyLen)),
             result);
    QVERIFY(timer.elapsed() >= minMs);
    const QByteArray arrived = deviceReply.left(replyLen);
    QCOMPARE(reply.left(arrived.size()), arrived);
    QCOMPARE(reply.mid(arrived.size()), QByteArray(replyLen - arrived.size(), Untouched));

    QVERIFY(watcher->waitForPendingInput(int(deviceReply.size()) - replyLen, FarEndWaitMs));
    char next[4];
    QVERIFY(link->transact("save", 4, next, 4));
    QCOMPARE(QByteArray(next, 4), QByteArray("save"));
    device.wait();
    QCOMPARE(received, request);
}

// A scan sends the 20-byte "geti" first; a device that answers with 36 bytes is still sending
// the rest when that read ends, and the link waits for the line to fall quiet. A line that never
// does must cost no more than the read limit.
void TestComPortTransactions::wrongEchoOnALineThatNeverFallsQuiet()
{
    const QByteArray longReply = QByteArray(32, 'd') + "geti";
    FarEnd device([&] {
        line->read(4, FarEndWaitMs);
        line->write(longReply);
        for (quint32 i = 0; i < 2 * ReadConstantMs; ++i) {
            line->write("x");
            QThread::msleep(1);
        }
    });
    QByteArray reply(20, Untouched);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!link->transact("geti", 4, reply.data(), unsigned(reply.size())));
    QVERIFY2(timer.elapsed() < ReadConstantMs + GenerousMs,
             qPrintable(QString::number(timer.elapsed())));
}

// A loader write-data frame goes out in two transactions: head and data with no reply, then
// the check value, whose transaction starts with a purge. The device must get every byte. On a
// pseudo-terminal a purge of the output loses bytes only while the kernel has not yet passed
// them on, so the frames go out many times.
void TestComPortTransactions::splitFramesArriveWhole()
{
    const int dataSize = 32;
    const int frames = 100;
    QByteArray frame = QByteArray::fromHex("4411") + char(dataSize) + '\0';
    for (int i = 0; i < dataSize; ++i)
        frame.append(char(0xA0 + i));
    const quint16 check = crc16(frame.constData(), unsigned(frame.size()));
    const QByteArray checkBytes = QByteArray(1, char(check & 0xFF)) + char(check >> 8);

    QByteArray received;
    FarEnd device([&] {
        for (int i = 0; i < frames; ++i) {
            const QByteArray got = line->read(frame.size() + 2, FarEndWaitMs);
            received += got;
            if (got.size() < frame.size() + 2 || !line->write(QByteArray::fromHex("441100000000")))
                return;
        }
    });
    for (int i = 0; i < frames; ++i) {
        char reply[6];
        QVERIFY(link->transactRaw(frame.constData(), unsigned(frame.size()), nullptr, 0));
        QVERIFY2(link->transactRaw(checkBytes.constData(), 2, reply, 6),
                 qPrintable(QString::number(i)));
    }
    device.wait();
    QCOMPARE(received, (frame + checkBytes).repeated(frames));
}

// A device unplugged while its reply is awaited: the read fails at once, not at its deadline.
void TestComPortTransactions::hangUpFailsAtOnce()
{
    link->setTimeouts(LinkTimeouts::reads(10000, 0).writes(0, 10000));
    FarEnd device([&] {
        if (line->read(4, FarEndWaitMs) == "geti")
            line->unplug();
    });
    char reply[36];
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!link->transact("geti", 4, reply, sizeof reply));
    QVERIFY2(timer.elapsed() < GenerousMs, qPrintable(QString::number(timer.elapsed())));
}

// The scan worker's link is closed from the GUI thread when a job takes its port.
void TestComPortTransactions::closeFromAnotherThreadWaitsForTheTransaction()
{
    const int replyDelayMs = 1000;
    QSemaphore requestSeen;
    FarEnd device([&] {
        line->read(4, FarEndWaitMs);
        requestSeen.release();
        QThread::msleep(replyDelayMs);
        line->write("save");
    });
    link->setTimeouts(LinkTimeouts::reads(2 * replyDelayMs, 0).writes(0, WriteMultiplierMs));
    bool result = false;
    FarEnd scan([&] {
        char reply[4];
        result = link->transact("save", 4, reply, 4);
    });
    QVERIFY(requestSeen.tryAcquire(1, FarEndWaitMs));

    QElapsedTimer timer;
    timer.start();
    QVERIFY(link->usesPort(line->portName()));
    QVERIFY2(timer.elapsed() < replyDelayMs / 2, "usesPort waited for the transaction");
    QVERIFY(link->close());
    scan.wait();
    QVERIFY2(result, "close pulled the port from under the transaction");
    QVERIFY(!link->usesPort(line->portName()));
    char reply[4];
    QVERIFY(!link->transact("save", 4, reply, 4));
}

QTEST_GUILESS_MAIN(TestComPortTransactions)
#include "tst_comport_transactions.moc"
