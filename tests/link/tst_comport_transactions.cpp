#include "ComPort.h"
#include "FarEnd.h"
#include "MappedLine.h"
#include "SecondOpener.h"
#include "crc16.h"
#include "serialport_p.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QTest>
#include <QThread>

#include <ctime>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr quint32 ReadConstantMs = 300;
constexpr quint32 WriteMultiplierMs = 1000;
// Far ends wait this long for what the link sends; it never runs out in a passing test.
constexpr int FarEndWaitMs = 3000;
// Upper bounds only catch a call that hangs; they are far above any expected duration.
constexpr qint64 GenerousMs = 1500;
const char Untouched = '\x5A';

qint64 threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

class TestComPortTransactions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void exchange_data();
    void exchange();
    void refusesBuffersTooShortForTheEcho();
    void readDeadline();
    void wrongEchoWaitsForTheRestOfALongerReply_data();
    void wrongEchoWaitsForTheRestOfALongerReply();
    void splitFramesArriveWhole();
    void hangUpFailsAtOnce();
    void closeFromAnotherThreadWaitsForTheTransaction();
    void writeWaitsForTheBytesToLeave_data();
    void writeWaitsForTheBytesToLeave();

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
    QVERIFY(link->open(line->latin1Name(), false));
}

void TestComPortTransactions::cleanup()
{
    link.reset();
    watcher.reset();
    line.reset();
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
    QTest::newRow("raw: no reply wanted")
        << true << QByteArray::fromHex("00f00000") << 0 << QByteArray() << 0 << true << qint64(0);
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

// An echo check on a buffer shorter than the command word would read past it: nothing is sent.
void TestComPortTransactions::refusesBuffersTooShortForTheEcho()
{
    QByteArray reply(4, Untouched);
    QVERIFY(!link->transact("gser", 4, reply.data(), 3));
    QVERIFY(!link->transact("gs", 2, reply.data(), 4));
    QCOMPARE(reply, QByteArray(4, Untouched));
    QCOMPARE(line->read(16, 100), QByteArray());
}

// A silent device costs at least the read deadline, and not much more; zero waits for nothing.
void TestComPortTransactions::readDeadline()
{
    char reply[8];
    QElapsedTimer timer;
    for (const quint32 constant : {50u, 0u}) {
        const quint32 multiplier = constant ? 20 : 0;
        const qint64 minMs = constant + 8 * multiplier;
        link->setTimeouts(LinkTimeouts::reads(constant, multiplier).writes(0, WriteMultiplierMs));
        timer.start();
        QVERIFY(!link->transactRaw("?", 1, reply, sizeof reply));
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed >= minMs, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < minMs + GenerousMs, qPrintable(QString::number(elapsed)));
    }
}

void TestComPortTransactions::wrongEchoWaitsForTheRestOfALongerReply_data()
{
    QTest::addColumn<int>("tailGapMs");
    QTest::addColumn<bool>("byteByByte");
    QTest::addColumn<int>("chatterMs"); // noise after the reply, a byte a millisecond
    QTest::addColumn<bool>("nextResult");

    QTest::newRow("rest after a pause") << 5 << false << 0 << true;
    QTest::newRow("rest byte by byte") << 0 << true << 0 << true;
    // A wrong echo then costs at most the read limit, and the link stays usable.
    QTest::newRow("line that never falls quiet") << 0 << false << 2 * int(ReadConstantMs) << false;
}

// A scan sends the 20-byte "geti" first; a device that answers with 36 bytes is still sending
// the rest when that read ends. The rest must not be taken for the start of the next reply.
void TestComPortTransactions::wrongEchoWaitsForTheRestOfALongerReply()
{
    QFETCH(int, tailGapMs);
    QFETCH(bool, byteByByte);
    QFETCH(int, chatterMs);
    QFETCH(bool, nextResult);

    const QByteArray longReply = QByteArray(32, 'd') + "geti";
    const int firstPart = 20;
    const auto trickle = [&](const QByteArray &bytes) {
        for (char byte : bytes) {
            line->write(QByteArray(1, byte));
            QThread::msleep(1);
        }
    };
    FarEnd device([&] {
        line->read(4, FarEndWaitMs);
        line->write(longReply.left(firstPart));
        QThread::msleep(tailGapMs);
        if (byteByByte)
            trickle(longReply.mid(firstPart));
        else
            line->write(longReply.mid(firstPart));
        trickle(QByteArray(chatterMs, 'x'));
        if (line->read(4, FarEndWaitMs) == "geti")
            line->write(longReply);
    });
    QByteArray reply(longReply.size(), Untouched);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!link->transact("geti", 4, reply.data(), firstPart));
    QVERIFY2(timer.elapsed() < ReadConstantMs + GenerousMs,
             qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(link->transact("geti", 4, reply.data(), unsigned(reply.size())), nextResult);
    device.wait();
    if (nextResult)
        QCOMPARE(reply, longReply);
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

// The far end goes away while the reply is awaited. (A write to a line that is gone fails in
// the same way; the serial-port test covers that.)
void TestComPortTransactions::hangUpFailsAtOnce()
{
    const quint32 longMs = 10000;
    link->setTimeouts(LinkTimeouts::reads(longMs, 0).writes(0, longMs));
    FarEnd device([&] {
        if (line->read(4, FarEndWaitMs) == "geti") {
            QThread::msleep(100);
            line->unplug();
        }
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

void TestComPortTransactions::writeWaitsForTheBytesToLeave_data()
{
    QTest::addColumn<int>("readAfterMs"); // -1: the far end never reads
    QTest::addColumn<bool>("hangUp"); // instead of reading, the far end hangs up
    QTest::addColumn<qint64>("timeoutMs");
    QTest::addColumn<qint64>("result");

    QTest::newRow("taken after a while") << 200 << false << qint64(1000) << qint64(10);
    // Long enough for the write to look at its queue many times, asleep in between.
    QTest::newRow("never taken") << -1 << false << qint64(500) << qint64(-1);
    QTest::newRow("hang-up fails at once") << 100 << true << qint64(10000) << qint64(-1);
}

// A write waits until its bytes have left the output queue. A pseudo-terminal reports its queue
// empty at once, so this writes into a socket, whose queue holds the bytes until the far end
// has read them, as a serial port's holds them until they are on the wire.
void TestComPortTransactions::writeWaitsForTheBytesToLeave()
{
    QFETCH(int, readAfterMs);
    QFETCH(bool, hangUp);
    QFETCH(qint64, timeoutMs);
    QFETCH(qint64, result);

    int ends[2];
    QCOMPARE(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    FarEnd device([&] {
        if (readAfterMs < 0)
            return;
        QThread::msleep(quint64(readAfterMs));
        char bytes[10];
        if (hangUp)
            shutdown(ends[1], SHUT_RDWR);
        else
            ::read(ends[1], bytes, sizeof bytes);
    });
    const char request[10] = {};
    const qint64 cpuBefore = threadCpuMs();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(SerialPort::write(ends[0], request, sizeof request, timeoutMs), result);
    const qint64 elapsed = timer.elapsed(), minMs = readAfterMs < 0 ? timeoutMs : readAfterMs;
    QVERIFY2(elapsed >= minMs && elapsed < minMs + GenerousMs,
             qPrintable(QString::number(elapsed)));
    // Asleep while it waits.
    if (readAfterMs < 0)
        QVERIFY2(threadCpuMs() - cpuBefore < minMs / 10, "the write kept the processor busy");
    device.wait();
    ::close(ends[0]);
    ::close(ends[1]);
}

QTEST_GUILESS_MAIN(TestComPortTransactions)
#include "tst_comport_transactions.moc"
