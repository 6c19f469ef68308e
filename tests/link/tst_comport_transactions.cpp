#include "ComPort.h"
#include "FarEnd.h"
#include "MappedLine.h"
#include "PortNameMap.h"
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
    void initTestCase();
    void init();
    void cleanup();
    void exchange_data();
    void exchange();
    void transactRefusesBuffersTooShortForTheEcho_data();
    void transactRefusesBuffersTooShortForTheEcho();
    void trickledReply_data();
    void trickledReply();
    void readDeadline_data();
    void readDeadline();
    void purgeDiscardsLeftovers_data();
    void purgeDiscardsLeftovers();
    void wrongEchoWaitsForTheRestOfALongerReply_data();
    void wrongEchoWaitsForTheRestOfALongerReply();
    void splitFramesArriveWhole_data();
    void splitFramesArriveWhole();
    void hangUpFailsAtOnce_data();
    void hangUpFailsAtOnce();
    void closeFromAnotherThreadWaitsForTheTransaction();

private:
    std::unique_ptr<MappedLine> line;
    std::unique_ptr<SecondOpener> watcher;
    std::unique_ptr<ComPort> link;
};

void TestComPortTransactions::initTestCase()
{
    PortNameMap::instance().setDefaultTableEnabled(false);
}

void TestComPortTransactions::init()
{
    line = std::make_unique<MappedLine>(5);
    watcher = std::make_unique<SecondOpener>(line->portPath());
    link = std::make_unique<ComPort>();
    link->setTimeouts(0, ReadConstantMs, 0, 0, WriteMultiplierMs);
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
    QTest::addColumn<bool>("result");
    QTest::addColumn<qint64>("minMs");

    const QByteArray version = QByteArray::fromHex("01023412") + "ck";
    const QByteArray firmwareProbe("1g\0\0", 4);
    QTest::newRow("data and echo")
        << false << QByteArray("gfwv") << 10 << version + "gfwv" << true << qint64(0);
    QTest::newRow("echo alone") << false << QByteArray("save") << 4 << QByteArray("save") << true
                                << qint64(0);
    QTest::newRow("wrong echo") << false << QByteArray("gfwv") << 10 << version + "gfwx" << false
                                << qint64(0);
    QTest::newRow("longer reply pushes the echo out")
        << false << QByteArray("gfwv") << 10 << version + "xy" + "gfwv" << false << qint64(0);
    // A short reply is waited for twice: the first read's full time, then a fresh one for the
    // bytes still missing, which brings nothing.
    QTest::newRow("short reply") << false << QByteArray("geti") << 36
                                 << QByteArray(16, 'i') + "geti" << false
                                 << qint64(2 * ReadConstantMs);
    QTest::newRow("silence") << false << QByteArray("gser") << 10 << QByteArray() << false
                             << qint64(ReadConstantMs);
    QTest::newRow("errc to the firmware probe")
        << true << firmwareProbe << 8 << QByteArray("errc") << false << qint64(2 * ReadConstantMs);
    QTest::newRow("raw: more than asked for")
        << true << QByteArray::fromHex("441100004337") << 2 << QByteArray::fromHex("eceeffff")
        << true << qint64(0);
    QTest::newRow("raw: no reply wanted")
        << true << QByteArray::fromHex("00f00000") << 0 << QByteArray() << true << qint64(0);
}

// Whatever arrived is in the reply buffer, the rest of it untouched, true or false.
void TestComPortTransactions::exchange()
{
    QFETCH(bool, raw);
    QFETCH(QByteArray, request);
    QFETCH(int, replyLen);
    QFETCH(QByteArray, deviceReply);
    QFETCH(bool, result);
    QFETCH(qint64, minMs);

    QByteArray received;
    FarEnd device([&] {
        received = line->read(request.size(), FarEndWaitMs);
        line->write(deviceReply);
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
    device.wait();
    QCOMPARE(received, request);
}

void TestComPortTransactions::transactRefusesBuffersTooShortForTheEcho_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("replyLen");
    QTest::newRow("reply shorter than a command word") << QByteArray("gser") << 3;
    QTest::newRow("request shorter than a command word") << QByteArray("gs") << 4;
}

void TestComPortTransactions::transactRefusesBuffersTooShortForTheEcho()
{
    QFETCH(QByteArray, request);
    QFETCH(int, replyLen);
    QByteArray reply(replyLen, Untouched);
    QVERIFY(!link->transact(request.constData(), unsigned(request.size()), reply.data(),
                            unsigned(replyLen)));
    QCOMPARE(reply, QByteArray(replyLen, Untouched));
    QCOMPARE(line->read(16, 100), QByteArray());
}

void TestComPortTransactions::trickledReply_data()
{
    QTest::addColumn<int>("pieces");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<bool>("result");

    // The read time-out is 300 ms: the first two rows take longer than one read in all.
    QTest::newRow("five pieces") << 5 << 100 << true;
    QTest::newRow("byte by byte") << 10 << 50 << true;
    QTest::newRow("pause longer than the time-out") << 2 << 800 << false;
}

void TestComPortTransactions::trickledReply()
{
    QFETCH(int, pieces);
    QFETCH(int, gapMs);
    QFETCH(bool, result);

    const QByteArray deviceReply = QByteArray::fromHex("39300000") + "ck" + "gser";
    const int pieceSize = deviceReply.size() / pieces;
    FarEnd device([&] {
        line->read(4, FarEndWaitMs);
        for (int i = 0; i < pieces; ++i) {
            if (i > 0)
                QThread::msleep(gapMs);
            line->write(deviceReply.mid(i * pieceSize, i + 1 < pieces ? pieceSize : -1));
        }
    });
    QByteArray reply(deviceReply.size(), Untouched);
    QCOMPARE(link->transact("gser", 4, reply.data(), unsigned(reply.size())), result);
    if (result)
        QCOMPARE(reply, deviceReply);
    else
        QCOMPARE(reply.left(pieceSize), deviceReply.left(pieceSize));
}

void TestComPortTransactions::readDeadline_data()
{
    QTest::addColumn<quint32>("constant");
    QTest::addColumn<quint32>("multiplier");
    QTest::addColumn<int>("replyLen");
    QTest::addColumn<QByteArray>("early");
    QTest::addColumn<qint64>("minMs");

    QTest::newRow("constant") << 200u << 0u << 4 << QByteArray() << qint64(200);
    QTest::newRow("per byte") << 50u << 20u << 8 << QByteArray() << qint64(50 + 8 * 20);
    // 100 + 8 * 10 for the first read, then 100 + 6 * 10 for the six bytes still missing.
    QTest::newRow("fresh limit for the missing bytes")
        << 100u << 10u << 8 << QByteArray("ab") << qint64(180 + 160);
    QTest::newRow("zero waits for nothing") << 0u << 0u << 4 << QByteArray() << qint64(0);
}

// A silent device costs at least the read deadline, and not much more.
void TestComPortTransactions::readDeadline()
{
    QFETCH(quint32, constant);
    QFETCH(quint32, multiplier);
    QFETCH(int, replyLen);
    QFETCH(QByteArray, early);
    QFETCH(qint64, minMs);

    link->setTimeouts(0, constant, multiplier, 0, WriteMultiplierMs);
    FarEnd device([&] {
        line->read(1, FarEndWaitMs);
        line->write(early);
    });
    QByteArray reply(replyLen, Untouched);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!link->transactRaw("?", 1, reply.data(), unsigned(replyLen)));
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= minMs, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < minMs + GenerousMs, qPrintable(QString::number(elapsed)));
}

void TestComPortTransactions::purgeDiscardsLeftovers_data()
{
    QTest::addColumn<bool>("late");
    QTest::newRow("tail of a longer reply") << false;
    QTest::newRow("reply after the time-out") << true;
}

void TestComPortTransactions::purgeDiscardsLeftovers()
{
    QFETCH(bool, late);
    char reply[4];
    {
        FarEnd device([&] {
            line->read(4, FarEndWaitMs);
            if (!late)
                line->write("gfwvtail");
        });
        QCOMPARE(link->transact("gfwv", 4, reply, 4), !late);
    }
    if (late) {
        line->write("late");
        QVERIFY(watcher->waitForPendingInput(4, FarEndWaitMs));
    } else {
        QVERIFY(watcher->waitForPendingInput(4, 0));
    }

    FarEnd device([&] {
        line->read(4, FarEndWaitMs);
        line->write("save");
    });
    QVERIFY(link->transact("save", 4, reply, 4));
    QCOMPARE(QByteArray(reply, 4), QByteArray("save"));
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

void TestComPortTransactions::splitFramesArriveWhole_data()
{
    QTest::addColumn<int>("dataSize");
    QTest::newRow("no data") << 0;
    QTest::newRow("full data line") << 32;
}

// A loader write-data frame goes out in two transactions: head and data with no reply, then
// the check value, whose transaction starts with a purge. The device must get every byte. On a
// pseudo-terminal a purge of the output loses bytes only while the kernel has not yet passed
// them on, so the frames go out many times.
void TestComPortTransactions::splitFramesArriveWhole()
{
    QFETCH(int, dataSize);
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

void TestComPortTransactions::hangUpFailsAtOnce_data()
{
    QTest::addColumn<bool>("duringRead");
    QTest::newRow("unplugged before the request") << false;
    QTest::newRow("unplugged while the reply is awaited") << true;
}

void TestComPortTransactions::hangUpFailsAtOnce()
{
    QFETCH(bool, duringRead);
    const quint32 longMs = 10000;
    link->setTimeouts(0, longMs, 0, 0, longMs);
    if (!duringRead)
        line->unplug();
    FarEnd device([&] {
        if (duringRead && line->read(4, FarEndWaitMs) == "geti") {
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
    link->setTimeouts(0, 2 * replyDelayMs, 0, 0, WriteMultiplierMs);
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
