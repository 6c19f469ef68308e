#include "FarEnd.h"
#include "serialport_p.h"

#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <ctime>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr unsigned RequestLength = 10;
constexpr qint64 NoRead = -1;
// Upper bounds only catch a write that waits out its whole time-out, or hangs.
constexpr qint64 GenerousMs = 1500;

qint64 threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace

// A write waits until its bytes have left the output queue. A pseudo-terminal reports its queue
// empty at once, so these tests write into a socket, whose queue holds the bytes until the far
// end has read them, as a serial port's holds them until they are on the wire.
class TestSerialPort : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void writeWaitsForTheBytesToLeave_data();
    void writeWaitsForTheBytesToLeave();
    void waitingBurnsNoCore();

private:
    int port = -1;
    int farEnd = -1;
};

void TestSerialPort::init()
{
    int ends[2];
    QCOMPARE(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    port = ends[0];
    farEnd = ends[1];
}

void TestSerialPort::cleanup()
{
    ::close(port);
    ::close(farEnd);
}

void TestSerialPort::writeWaitsForTheBytesToLeave_data()
{
    QTest::addColumn<qint64>("readAfterMs"); // NoRead: the far end never reads
    QTest::addColumn<bool>("hangUp"); // instead of reading, the far end hangs up
    QTest::addColumn<qint64>("timeoutMs");
    QTest::addColumn<qint64>("result");
    QTest::addColumn<qint64>("minMs");

    QTest::newRow("taken at once")
        << qint64(0) << false << qint64(1000) << qint64(RequestLength) << qint64(0);
    QTest::newRow("taken after a while")
        << qint64(200) << false << qint64(1000) << qint64(RequestLength) << qint64(200);
    // Long enough for the write to look at its queue many times.
    QTest::newRow("never taken") << NoRead << false << qint64(5000) << qint64(-1) << qint64(5000);
    QTest::newRow("taken after the time-out")
        << qint64(700) << false << qint64(300) << qint64(-1) << qint64(300);
    QTest::newRow("no time allowed") << NoRead << false << qint64(0) << qint64(-1) << qint64(0);
    QTest::newRow("hang-up fails at once")
        << qint64(100) << true << qint64(10000) << qint64(-1) << qint64(100);
}

void TestSerialPort::writeWaitsForTheBytesToLeave()
{
    QFETCH(qint64, readAfterMs);
    QFETCH(bool, hangUp);
    QFETCH(qint64, timeoutMs);
    QFETCH(qint64, result);
    QFETCH(qint64, minMs);

    FarEnd device([&] {
        if (readAfterMs == NoRead)
            return;
        QThread::msleep(quint64(readAfterMs));
        if (hangUp) {
            shutdown(farEnd, SHUT_RDWR);
            return;
        }
        char bytes[RequestLength];
        ::read(farEnd, bytes, sizeof bytes);
    });
    const char request[RequestLength] = {};
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(SerialPort::write(port, request, RequestLength, timeoutMs), result);
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= minMs, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < minMs + GenerousMs, qPrintable(QString::number(elapsed)));
}

// Bytes that never leave keep a write waiting for its whole time-out, asleep.
void TestSerialPort::waitingBurnsNoCore()
{
    const char request[RequestLength] = {};
    const qint64 timeoutMs = 500;
    const qint64 cpuBefore = threadCpuMs();
    QCOMPARE(SerialPort::write(port, request, RequestLength, timeoutMs), qint64(-1));
    const qint64 cpuMs = threadCpuMs() - cpuBefore;
    QVERIFY2(cpuMs < timeoutMs / 10, qPrintable(QString::number(cpuMs)));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
