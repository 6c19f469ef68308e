#include "JobResultText.h"
#include "JobTracker.h"
#include "LogFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// The program's log, zelkor.log: its size limit and what the jobs write into it.
class tst_LogFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rotation();
    void jobOutcome_data();
    void jobOutcome();

private:
    // The messages of the log's lines, without their time stamps.
    QStringList logged(const QString &suffix = QString()) const;

    QTemporaryDir scratch;
    QString previous;
};

void tst_LogFile::init()
{
    // The job log goes to the working directory.
    previous = QDir::currentPath();
    QDir::setCurrent(scratch.path());
    QFile::remove(LogFile::DefaultName);
    QFile::remove(QStringLiteral("%1.1").arg(LogFile::DefaultName));
}

void tst_LogFile::cleanup()
{
    LogFile::uninstall();
    QDir::setCurrent(previous);
}

QStringList tst_LogFile::logged(const QString &suffix) const
{
    QFile file(LogFile::DefaultName + suffix);
    QStringList messages;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n'))
            messages << QString::fromUtf8(line.mid(line.indexOf(' ') + 1));
    }
    messages.removeAll(QString());
    return messages;
}

// A line that would take the file past its limit starts a new one; the full file is kept as
// ".1", in place of the one kept before.
void tst_LogFile::rotation()
{
    QString error;
    // Room for three lines: a time stamp of 24 characters, a short message and the line end.
    QVERIFY2(LogFile::install(LogFile::DefaultName, 100, &error), qPrintable(error));
    for (int line = 1; line <= 7; ++line)
        qInfo("line %d", line);
    LogFile::uninstall();
    QCOMPARE(logged(".1"), (QStringList {"line 4", "line 5", "line 6"}));
    QCOMPARE(logged(), QStringList {"line 7"});
}

void tst_LogFile::jobOutcome_data()
{
    QTest::addColumn<bool>("update");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("scannedFirmware"); // empty: no scan before the window goes
    QTest::addColumn<QString>("outcome");

    QTest::newRow("calibration failed") << false << -201 << ""
                                        << "-> 1.2.345: " + JobResultText::message(-201);
    // An update's line waits for the scan that sees the firmware it wrote.
    QTest::newRow("update seen by a scan") << true << 0 << "3.1.4"
                                           << "-> 3.1.4: ok";
    QTest::newRow("update, window gone before a scan") << true << 0 << ""
                                                       << "-> : ok";
}

// Each job's outcome lands in zelkor.log as one line, and only once it is known.
void tst_LogFile::jobOutcome()
{
    QFETCH(bool, update);
    QFETCH(int, result);
    QFETCH(QString, scannedFirmware);
    QFETCH(QString, outcome);
    QString error;
    QVERIFY(LogFile::install(LogFile::DefaultName, LogFile::DefaultLimit, &error));

    const QString port = QStringLiteral("\\\\.\\COM2");
    JobTracker tracker;
    const int job = 0;
    tracker.started(&job, {port, {"100001", "METER", "1.2.345"}, update, !update, "fw.cod", 12});
    tracker.finished(&job, result, &error);
    // A pass that lists another port first.
    tracker.scanned({{QStringLiteral("\\\\.\\COM1"), "", "", "9.9.9", ""},
                     {port, "100001", "METER", scannedFirmware, ""}},
                    &error);
    if (scannedFirmware.isEmpty())
        tracker.flush(&error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QStringList lines = logged();
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.last().startsWith("Job ended: ") && lines.last().endsWith(outcome),
             qPrintable(lines.last()));
}

QTEST_GUILESS_MAIN(tst_LogFile)
#include "tst_logfile.moc"
