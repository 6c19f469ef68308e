#include "AtomicFile.h"
#include "FirmwareFile.h"
#include "JobLog.h"
#include "LogFileWriter.h"
#include "SettingsGroupWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>
#include <vector>

// The files' system calls of the Windows build, under Wine: what elsewhere FIFOs, flock and
// rename() do, Windows does with device names, byte-range locks and MoveFileEx.
class tst_FilesWin : public QObject
{
    Q_OBJECT

private slots:
    void notARegularFile_data();
    void notARegularFile();
    void settingsSavedTwice();
    void concurrentRows();
    void logRotatedWhileHeld();

private:
    QByteArray contents(const QString &name) const;

    QTemporaryDir dir;
};

QByteArray tst_FilesWin::contents(const QString &name) const
{
    QFile file(dir.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void tst_FilesWin::notARegularFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("folder") << QStringLiteral("folder");
    // A device name opens the device in every folder; a serial port's would be written to.
    QTest::newRow("device name") << QStringLiteral("NUL");
}

// Refused before anything is read or written, with the reason a user can act on.
void tst_FilesWin::notARegularFile()
{
    QFETCH(QString, path);
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder")));
    const QString target = path == QLatin1String("NUL") ? path : dir.filePath(path);
    FirmwareFile firmware(target);
    QCOMPARE(firmware.read(), JobResult::FirmwareFileCantOpen);
    QString reason;
    QVERIFY(!JobLog(target).append(JobRecord(), &reason));
    QVERIFY2(reason.endsWith(QLatin1String("not a regular file")), qPrintable(reason));
    QVERIFY(!AtomicFile::replace(target, "x", &reason));
    QVERIFY2(reason.endsWith(QLatin1String("not a regular file")), qPrintable(reason));
}

// rename() refuses where a file is already, and a shortcut is no symbolic link: each would
// have failed every save after the first.
void tst_FilesWin::settingsSavedTwice()
{
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    const QByteArray before = "; kept\r\n[Ports]\r\nCOM3=COM9\r\n";
    QString error;
    QVERIFY2(AtomicFile::replace(path, before, &error), qPrintable(error));
    for (const int width : {800, 900}) {
        SettingsGroupWriter writer(path, QStringLiteral("Window"));
        writer.setValue(QStringLiteral("width"), width);
        QVERIFY2(writer.commit(&error), qPrintable(error));
    }
    const QByteArray after = contents(QStringLiteral("settings.ini"));
    QVERIFY2(after.startsWith(before) && after.endsWith("[Window]\r\nwidth=900\r\n"),
             after.constData());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"settings.ini"});
}

// Rows of writers that each open the log take turns under the lock: every row whole, the
// header once.
void tst_FilesWin::concurrentRows()
{
    constexpr int Writers = 4;
    constexpr int RowsEach = 25;
    const QString path = dir.filePath(QStringLiteral("jobs.csv"));
    std::vector<std::thread> writers;
    for (int w = 0; w < Writers; ++w) {
        writers.emplace_back([&path, w] {
            JobRecord record;
            record.description = QString(200, QChar(u'a' + w));
            for (int n = 0; n < RowsEach; ++n)
                JobLog(path).append(record);
        });
    }
    for (std::thread &writer : writers)
        writer.join();
    QByteArrayList lines = contents(QStringLiteral("jobs.csv")).split('\n');
    QCOMPARE(lines.takeLast(), QByteArray());
    QCOMPARE(lines.takeFirst() + '\n', JobLog::header());
    QCOMPARE(lines.size(), Writers * RowsEach);
    for (const QByteArray &line : std::as_const(lines))
        QCOMPARE(line.count(','), JobLog::header().count(','));
}

// Two windows write one log; the one that rotates it renames the file the other holds open,
// which takes the next line to the new file.
void tst_FilesWin::logRotatedWhileHeld()
{
    constexpr qint64 Limit = 100;
    const QString path = dir.filePath(QStringLiteral("zelkor.log"));
    LogFileWriter first(path, Limit);
    LogFileWriter second(path, Limit);
    QString error;
    QVERIFY2(first.open(&error) && second.open(&error), qPrintable(error));
    const QByteArray line(30, 'x');
    for (int n = 0; n < 4; ++n)
        (n % 2 ? second : first).write(QByteArray::number(n) + line + '\n');
    QCOMPARE(contents(QStringLiteral("zelkor.log.1")),
             "0" + line + "\n1" + line + "\n2" + line + '\n');
    QCOMPARE(contents(QStringLiteral("zelkor.log")), "3" + line + '\n');
}

QTEST_GUILESS_MAIN(tst_FilesWin)
#include "tst_files_win.moc"
