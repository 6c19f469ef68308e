#include "DeviceEngine.h"
#include "IncomingLine.h"
#include "OutgoingLine.h"
#include "WireFormat.h"

#include <QTest>

#include <deque>

namespace {

using Clock = LineTiming::Clock;
using std::chrono::microseconds;

const Clock::time_point T0 = Clock::time_point() + std::chrono::hours(1);

Clock::duration byteTimes(double bytes)
{
    return std::chrono::duration_cast<Clock::duration>(LineTiming::ByteTime * bytes);
}

Clock::time_point afterBytes(double bytes)
{
    return T0 + byteTimes(bytes);
}

struct Chunk
{
    int size;
    double atBytes; // when it was written, in byte times after T0
};

// One step of the program: it writes bytes after a pause (counted from its previous step), or it
// waits for `replyLength` reply bytes.
struct Step
{
    QByteArray bytes;
    double pauseBytes = 0;
    // How many requests of equal length the bytes end; 0 when the request goes on in the next
    // write.
    int requests = 1;
    int replyLength = 0;
};

Step write(const QByteArray &bytes, double pauseBytes = 0, int requests = 1)
{
    return {bytes, pauseBytes, requests, 0};
}

Step read(int replyLength)
{
    return {{}, 0, 0, replyLength};
}

// A reply byte and when it left the device.
struct Departure
{
    Clock::time_point at;
    char byte;
};

// The device's side of the line with a clock of the test's own: it takes each write the moment
// it is written and serves at every moment it asks for, `lateBytes` byte times late.
class DeviceOnTestClock
{
public:
    DeviceOnTestClock(const DeviceProfile &profile, double lateBytes)
        : engine(profile), lateness(byteTimes(lateBytes))
    { }

    // Runs the device up to `until`, then hands it the bytes.
    void receive(const QByteArray &bytes, Clock::time_point until)
    {
        while (hasWork() && engine.nextWake() + lateness <= until)
            step();
        engine.receive(bytes, until);
    }

    // The next reply byte, the device running as long as it takes; nothing when it has nothing
    // more to say.
    std::optional<Departure> nextByte()
    {
        while (sent.empty() && hasWork())
            step();
        if (sent.empty())
            return std::nullopt;
        const Departure next = sent.front();
        sent.pop_front();
        return next;
    }

private:
    bool hasWork() const { return engine.nextWake() != Clock::time_point::max(); }

    void step()
    {
        const Clock::time_point now = engine.nextWake() + lateness;
        engine.serve(now, [] { return true; });
        for (const char byte : engine.takeOutput(now))
            sent.push_back({now, byte});
    }

    DeviceEngine engine;
    Clock::duration lateness;
    std::deque<Departure> sent;
};

QByteArray writeDataFrame()
{
    return WireFormat::withCheck(QByteArray::fromHex("44112000") + QByteArray(32, 'D'));
}

DeviceProfile paced(DeviceProfile profile)
{
    profile.pacing = true;
    return profile;
}

} // namespace

Q_DECLARE_METATYPE(QList<Chunk>)
Q_DECLARE_METATYPE(QList<Step>)

class TestLinePacing : public QObject
{
    Q_OBJECT

private slots:
    void byteTimeIsElevenBitsAt115200();
    void arrival_data();
    void arrival();
    void departure_data();
    void departure();
    void neverAheadOfTheWire_data();
    void neverAheadOfTheWire();
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

    QTest::newRow("one chunk, its last byte") << true << QList<Chunk> {{10, 0}} << 0 << 10 << 10.0;
    QTest::newRow("one chunk, its first byte") << true << QList<Chunk> {{10, 0}} << 0 << 1 << 1.0;
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
    QVERIFY2(
        std::chrono::abs(difference) < microseconds(1),
        qPrintable(QString::number(std::chrono::duration_cast<microseconds>(difference).count())));
}

void TestLinePacing::departure_data()
{
    QTest::addColumn<bool>("paced");
    QTest::addColumn<QList<Chunk>>("stretches"); // queued at that time
    QTest::addColumn<double>("takenAt");
    QTest::addColumn<int>("due");

    QTest::newRow("nothing before the first byte is through")
        << true << QList<Chunk> {{10, 0}} << 0.9 << 0;
    QTest::newRow("byte by byte") << true << QList<Chunk> {{10, 0}} << 4.5 << 4;
    QTest::newRow("the whole reply") << true << QList<Chunk> {{10, 0}} << 12.0 << 10;
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

void TestLinePacing::neverAheadOfTheWire_data()
{
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<double>("lateBytes");

    const DeviceProfile firmware = paced(DeviceProfile::ready());
    const DeviceProfile loader = paced(DeviceProfile::loader());
    const QByteArray frame = writeDataFrame();
    const QList<Step> twoWrites {write(frame.chopped(2), 0, 0), write(frame.right(2), 0.5),
                                 read(6)};
    const QList<Step> threeFrames {write(frame), write(frame), write(frame),
                                   read(6),      read(6),      read(6)};

    QTest::newRow("command word") << firmware
                                  << QList<Step> {write("gser"), read(10), write("gser"), read(10)}
                                  << 0.0;
    QTest::newRow("long reply") << firmware << QList<Step> {write("rdan"), read(54)} << 0.0;
    QTest::newRow("long reply, device wakes late")
        << firmware << QList<Step> {write("rdan"), read(54)} << 2.5;
    QTest::newRow("two long replies queue on the line")
        << firmware << QList<Step> {write("rdanrdan", 0, 2), read(54), read(54)} << 0.0;
    QTest::newRow("one-byte echo") << paced(DeviceProfile::isp())
                                   << QList<Step> {write("?"), read(1), write("?"), read(1)} << 0.0;
    QTest::newRow("frame in two writes, the check value while the head is on the line")
        << loader << twoWrites + twoWrites << 0.0;
    QTest::newRow("frame in two writes, the check value after a pause")
        << loader << QList<Step> {write(frame.chopped(2), 0, 0), write(frame.right(2), 60), read(6)}
        << 0.0;
    QTest::newRow("three frames written back to back") << loader << threeFrames << 0.0;
    QTest::newRow("three frames written back to back, device wakes late")
        << loader << threeFrames << 7.0;
    QTest::newRow("three frames in one write")
        << loader << QList<Step> {write(frame.repeated(3), 0, 3), read(6), read(6), read(6)} << 0.0;
}

// However the program splits its writes and whenever the device gets to run, a reply byte leaves
// no earlier than the wire could carry it: after the request's last byte, which arrives one byte
// time after the byte before it and not before it was written, and after the reply byte before.
void TestLinePacing::neverAheadOfTheWire()
{
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<Step>, steps);
    QFETCH(double, lateBytes);
    DeviceOnTestClock device(profile, lateBytes);

    Clock::time_point now = T0;
    Clock::time_point requestLineFree = T0;
    Clock::time_point replyLineFree = T0;
    std::deque<Clock::time_point> requestsArrived;
    for (const Step &step : steps) {
        if (step.replyLength == 0) {
            now += byteTimes(step.pauseBytes);
            device.receive(step.bytes, now);
            const Clock::time_point start = std::max(requestLineFree, now);
            for (int i = 1; i <= step.requests; ++i)
                requestsArrived.push_back(
                    start + LineTiming::lineTime(i * step.bytes.size() / step.requests));
            requestLineFree = start + LineTiming::lineTime(step.bytes.size());
            continue;
        }
        QVERIFY(!requestsArrived.empty());
        const Clock::time_point replyStart = std::max(requestsArrived.front(), replyLineFree);
        requestsArrived.pop_front();
        for (int count = 1; count <= step.replyLength; ++count) {
            const std::optional<Departure> sent = device.nextByte();
            QVERIFY2(sent, "the reply ended early");
            const Clock::time_point floor = replyStart + LineTiming::lineTime(count);
            QVERIFY2(sent->at >= floor,
                     qPrintable(QStringLiteral("reply byte %1: %2 ns ahead of the wire")
                                    .arg(count)
                                    .arg((floor - sent->at).count())));
            now = sent->at;
        }
        replyLineFree = replyStart + LineTiming::lineTime(step.replyLength);
    }
    QVERIFY2(!device.nextByte(), "more reply bytes than expected");
}

QTEST_GUILESS_MAIN(TestLinePacing)
#include "tst_linepacing.moc"
