#include "FarEnd.h"
#include "serialport_p.h"

#include <QElapsedTimer>
#include <QScopeGuard>
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
    void writeWaitsForTheBytesToLeave_data();
    void writeWaitsForTheBytesToLeave();
};

void TestSerialPort::writeWaitsForTheBytesToLeave_data()
{
    QTest::addColumn<qint64>("readAfterMs"); // NoRead: the far end never reads
    QTest::addColumn<bool>("hangUp"); // instead of reading, the far end hangs up
    QTest::addColumn<qint64>("timeoutMs");
    QTest::addColumn<qint64>("result");
    QTest::addColumn<qint64>("minMs");

    QTest::newRow("taken after a while")
        << qint64(200) << false << qint64(1000) << qint64(RequestLength) << qint64(200);
    // Long enough for the write to look at its queue many times, asleep in between.
    QTest::newRow("never taken") << NoRead << false << qint64(500) << qint64(-1) << qint64(500);
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

    int ends[2];
    QCOMPARE(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    const int port = ends[0];
    const int farEnd = ends[1];
    const auto closeEnds = qScopeGuard([&] {
        ::close(port);
        ::close(farEnd);
    });
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
    const qint64 cpuBefore = threadCpuMs();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(SerialPort::write(port, request, RequestLength, timeoutMs), result);
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(elapsed >= minMs, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < minMs + GenerousMs, qPrintable(QString::number(elapsed)));
    if (readAfterMs == NoRead) {
        const qint64 cpuMs = threadCpuMs() - cpuBefore;
        QVERIFY2(cpuMs < timeoutMs / 10, qPrintable(QString::number(cpuMs)));
    }
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
