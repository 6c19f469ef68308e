#include "IncomingLine.h"
#include "OutgoingLine.h"

#include <QTest>

namespace {

using Clock = LineTiming::Clock;

// `bytes` byte times after an arbitrary start.
Clock::time_point afterBytes(double bytes)
{
    return Clock::time_point() + std::chrono::hours(1)
        + std::chrono::duration_cast<Clock::duration>(LineTiming::ByteTime * bytes);
}

struct Chunk
{
    int size;
    double atBytes; // when it was written
};

} // namespace

Q_DECLARE_METATYPE(QList<Chunk>)

class TestLinePacing : public QObject
{
    Q_OBJECT

private slots:
    void byteTimeIsElevenBitsAt115200();
    void arrival_data();
    void arrival();
    void departure_data();
    void departure();
};

void TestLinePacing::byteTimeIsElevenBitsAt115200()
{
    // A million bytes take 95.486111 s on the wire; the line may lag by less than 1 ns a byte.
    const auto million =
        std::chrono::duration_cast<std::chrono::nanoseconds>(LineTiming::lineTime(1000000));
    QVERIFY2(million.count() >= 95486111111LL && million.count() < 95486111111LL + 1000000,
             qPrintable(QString::number(million.count())));
}

void TestLinePacing::arrival_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<QList<Chunk>>("chunks");
    QTest::addColumn<int>("consumed");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("expectedBytes"); // arrival of byte `count` after `consumed`

    QTest::newRow("second write queues behind the first")
        << true << QList<Chunk> {{36, 0}, {2, 0.5}} << 0 << 38 << 38.0;
    QTest::newRow("second write after the line fell idle")
        << true << QList<Chunk> {{4, 0}, {4, 20}} << 0 << 8 << 24.0;
    QTest::newRow("after consuming a request")
        << true << QList<Chunk> {{4, 0}, {6, 1}} << 4 << 6 << 10.0;
    QTest::newRow("consumed half of a chunk") << true << QList<Chunk> {{10, 0}} << 3 << 2 << 5.0;
    QTest::newRow("unpaced: when it was read")
        << false << QList<Chunk> {{36, 0}, {2, 0.5}} << 0 << 38 << 0.5;
}

void TestLinePacing::arrival()
{
    QFETCH(bool, paced);
    QFETCH(QList<Chunk>, chunks);
    QFETCH(int, consumed);
    QFETCH(int, count);
    QFETCH(double, expectedBytes);
    IncomingLine line(paced);
    for (const Chunk &chunk : chunks)
        line.receive(QByteArray(chunk.size, 'x'), afterBytes(chunk.atBytes));
    line.consume(consumed);

    const auto difference = line.arrivalOf(count) - afterBytes(expectedBytes);
    QVERIFY2(std::chrono::abs(difference) < std::chrono::microseconds(1),
             qPrintable(QString::number(difference.count()) + " ns"));
}

void TestLinePacing::departure_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<QList<Chunk>>("stretches"); // queued at that time
    QTest::addColumn<double>("takenAt");
    QTest::addColumn<int>("due");

    QTest::newRow("byte by byte") << true << QList<Chunk> {{10, 0}} << 4.5 << 4;
    QTest::newRow("a late piece waits for its time")
        << true << QList<Chunk> {{4, 0}, {4, 20}} << 10.0 << 4;
    QTest::newRow("a piece queued while the line is busy follows it")
        << true << QList<Chunk> {{10, 0}, {10, 1}} << 15.0 << 15;
    QTest::newRow("unpaced: all at once") << false << QList<Chunk> {{10, 0}, {10, 1}} << 1.0 << 20;
    QTest::newRow("unpaced: not before its time") << false << QList<Chunk> {{10, 2}} << 1.0 << 0;
}

void TestLinePacing::departure()
{
    QFETCH(bool, paced);
    QFETCH(QList<Chunk>, stretches);
    QFETCH(double, takenAt);
    QFETCH(int, due);
    OutgoingLine line(paced);
    QByteArray all;
    for (const Chunk &stretch : stretches) {
        const QByteArray bytes(stretch.size, char('a' + all.size()));
        line.queue(bytes, afterBytes(stretch.atBytes));
        all += bytes;
    }

    QCOMPARE(line.takeDue(afterBytes(takenAt)), all.left(due));
    // What is left comes out in order, at the latest after the whole line time.
    QCOMPARE(line.takeDue(afterBytes(1000)), all.mid(due));
    QVERIFY(line.isIdle());
}

QTEST_GUILESS_MAIN(TestLinePacing)
#include "tst_linepacing.moc"
