#include "FullFileSystem.h"
#include "JobLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

JobRecord record(const QString &description, const QDateTime &time, int attempts = 1)
{
    JobRecord r;
    r.time = time;
    r.port = QStringLiteral("\\\\.\\COM5");
    r.kind = JobKind::Update;
    r.description = description;
    r.voltage = 12.5;
    r.attempts = attempts;
    r.resultCode = JobResult::LoaderNewSectionFailed;
    return r;
}

// In UTC: a local time would have every writer thread ask the C library for the time zone.
const QDateTime Noon(QDate(2026, 3, 1), QTime(12, 0, 5), Qt::UTC);

bool write(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

enum class Trouble { None, FullDisk, Link };

} // namespace

class tst_JobLog : public QObject
{
    Q_OBJECT

private slots:
    void row_data();
    void row();
    void concurrentAppends();
    void unwritable_data();
    void unwritable();
    void appendLandsWhole_data();
    void appendLandsWhole();
};

void tst_JobLog::row_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("offsetSeconds");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray at = "2026-03-01T12:00:05", port = ",,,\\\\.\\COM5,,update,,";
    const QByteArray tail = ",,,,,12.50,1,-7,,0.0,\r\n";
    QTest::newRow("plain, UTC") << "DL-METER" << 0 << at + "+00:00" + port + "DL-METER" + tail;
    QTest::newRow("comma, east") << "a,b" << 7200 << at + "+02:00" + port + "\"a,b\"" + tail;
    // A row stays one line; no control character reaches a terminal that shows the file.
    QTest::newRow("quote and line break, west of UTC by half hours")
        << "5\" \"x\"\r\nz" << -(3 * 3600 + 1800)
        << at + "-03:30" + port + "\"5\"\" \"\"x\"\"\\x0D\\x0Az\"" + tail;
    // Either line-end character alone would end the row early.
    QTest::newRow("line feed alone") << "\n" << 0 << at + "+00:00" + port + "\\x0A" + tail;
    QTest::newRow("carriage return alone") << "\r" << 0 << at + "+00:00" + port + "'\\x0D" + tail;
    QTest::newRow("terminal's title set, bell")
        << "\x1B]0;x\aDL" << 0 << at + "+00:00" + port + "\\x1B]0;x\\x07DL" + tail;
    // A spreadsheet would run these as formulas; the result code above stays a number.
    QTest::newRow("formula") << "=1+1" << 0 << at + "+00:00" + port + "'=1+1" + tail;
    QTest::newRow("formula with quotes")
        << "@HYPERLINK(\"http://x\",\"y\")" << 0
        << at + "+00:00" + port + "\"'@HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"" + tail;
    QTest::newRow("formula after a tab") << "\t-2" << 0 << at + "+00:00" + port + "'\\x09-2" + tail;
}

void tst_JobLog::row()
{
    QFETCH(QString, description);
    QFETCH(int, offsetSeconds);
    QFETCH(QByteArray, expected);
    QDateTime time = Noon;
    time.setOffsetFromUtc(offsetSeconds);
    QCOMPARE(JobLog::row(record(description, time)), expected);
}

// Writers that start together on a new file: one header at the top, then every row whole,
// each writer's rows in its own order.
void tst_JobLog::concurrentAppends()
{
    constexpr int Writers = 4;
    constexpr int RowsEach = 300;
    QTemporaryDir dir;
    const JobLog log(dir.filePath("jobs.csv"));
    const auto description = [](int w) {
        return QStringLiteral("writer %1, long").arg(w).repeated(9);
    };
    std::vector<std::thread> writers;
    std::atomic<int> failures {0};
    for (int w = 0; w < Writers; ++w) {
        writers.emplace_back([&, w] {
            for (int i = 1; i <= RowsEach; ++i) {
                if (!log.append(record(description(w), Noon, i)))
                    ++failures;
            }
        });
    }
    for (std::thread &writer : writers)
        writer.join();
    QCOMPARE(failures.load(), 0);
    QFile file(log.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 1 + Writers * RowsEach + 1);
    QCOMPARE(lines.first() + '\n', JobLog::header());
    QCOMPARE(lines.last(), QByteArray());
    int next[Writers] = {};
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QByteArray line = lines[i] + '\n';
        const int w = line.mid(line.indexOf("writer ") + 7, 1).toInt();
        QCOMPARE(line, JobLog::row(record(description(w), Noon, ++next[w])));
    }
}

void tst_JobLog::unwritable_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("missing directory") << "missing/jobs.csv";
    // With no reader, a FIFO would hold the writer in open() for ever.
    QTest::newRow("FIFO") << "fifo.csv";
}

void tst_JobLog::unwritable()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("fifo.csv")).constData(), 0600), 0);
    QString reason;
    QVERIFY(!JobLog(dir.filePath(name)).append(record("x", Noon), &reason));
    QVERIFY2(reason.startsWith(dir.filePath(name + ": ")), qPrintable(reason));
}

void tst_JobLog::appendLandsWhole_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("added"); // in front of the row
    QTest::addColumn<Trouble>("trouble");

    const QByteArray header = JobLog::header();
    const QByteArray row = JobLog::row(record("earlier", Noon));
    QTest::newRow("empty file") << QByteArray() << header << Trouble::None;
    QTest::newRow("last line cut short")
        << header + row.left(40) << QByteArray("\r\n") << Trouble::None;
    QTest::newRow("commas quoted in the last row")
        << header + JobLog::row(record("a,b,c", Noon)) << QByteArray() << Trouble::None;
    // Written before the last column was added: its rows keep the header they have.
    const QByteArray older = header.left(header.lastIndexOf(',')) + "\r\n";
    const QByteArray olderRow = row.left(row.lastIndexOf(',')) + "\r\n";
    QTest::newRow("older version's file") << older + olderRow << header << Trouble::None;
    QTest::newRow("older version's row cut short")
        << older + olderRow.left(40) << "\r\n" + header << Trouble::None;
    // Ends 10 bytes before a block's end, where the row stops on the full disk.
    const QByteArray nearlyFull = header
        + JobLog::row(record(
            QByteArray(FullFileSystem::BlockSize - 10 - header.size() - row.size() + 7, 'x'),
            Noon));
    QTest::newRow("full disk") << nearlyFull << QByteArray() << Trouble::FullDisk;
    // Placed by anyone who may write to the folder, for root to append to root's files.
    QTest::newRow("symbolic link") << header << QByteArray() << Trouble::Link;
}

// A row lands whole on a line of its own, or not at all, and the file stays as it was.
void tst_JobLog::appendLandsWhole()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, added);
    QFETCH(Trouble, trouble);
    FullFileSystem disk;
    QVERIFY(disk.isValid());
    const QString path = disk.filePath("jobs.csv");
    const QString target = trouble == Trouble::Link ? disk.filePath("root-only") : path;
    QVERIFY(write(target, before));
    QVERIFY(trouble != Trouble::Link || symlink("root-only", QFile::encodeName(path)) == 0);
    QVERIFY(trouble != Trouble::FullDisk || disk.fill());
    const JobRecord job = record("new", Noon);

    QString reason;
    QCOMPARE(JobLog(path).append(job, &reason), trouble == Trouble::None);
    QCOMPARE(contents(target),
             trouble == Trouble::None ? before + added + JobLog::row(job) : before);
    if (trouble == Trouble::None)
        return;
    const QRegularExpression why(trouble == Trouble::Link ? "symbolic link" : "No space|too large");
    QVERIFY2(reason.startsWith(path) && reason.contains(why), qPrintable(reason));
    disk.makeRoom();
    QCOMPARE(JobLog(path).append(job), trouble == Trouble::FullDisk);
    if (trouble == Trouble::FullDisk)
        QCOMPARE(contents(path), before + JobLog::row(job));
}

QTEST_GUILESS_MAIN(tst_JobLog)
#include "tst_joblog.moc"
