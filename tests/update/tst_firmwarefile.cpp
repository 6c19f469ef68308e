#include "FirmwareFile.h"
#include "JobRecord.h"
#include "JobResult.h"
#include "TestFirmware.h"

#include <QtTest>

#include <cerrno>
#include <sys/stat.h>

using Lines = QList<QByteArray>;

class tst_FirmwareFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
    void notARegularFile();

private:
    QTemporaryDir dir;
};

void tst_FirmwareFile::read_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("result");
    QTest::addColumn<Lines>("lines"); // checked only when the file is accepted
    // What the user is told of a refused file: the defect and its line.
    QTest::addColumn<int>("defect");
    QTest::addColumn<int>("line");

    using Defect = FirmwareFileDefect;
    const QByteArray data = QByteArray("0102030405\n").repeated(8);
    const Lines dataLines(8, "0102030405\n");
    QTest::newRow("ten lines, end line unterminated")
        << "@00001000\n" + data + "q" << 0 << Lines {"@00001000\n"} + dataLines + Lines {"q"}
        << int(Defect::None) << 0;
    QTest::newRow("blank lines after the end line count, and are not sent")
        << "@00001000\n" + data.left(44) + "q\n\n \r\n\n\n\n"
        << 0 << Lines {"@00001000\n"} + Lines(4, "0102030405\n") + Lines {"q\n"}
        << int(Defect::None) << 0;
    QTest::newRow("nine lines") << "@00001000\n" + data.left(77) + "q\n" << -3 << Lines()
                                << int(Defect::TooFewLines) << 9;
    QTest::newRow("plain text") << QByteArray("a line of text\n").repeated(12) << -3 << Lines()
                                << int(Defect::NoAddressFirst) << 1;
    QTest::newRow("data before the first address") << "0102\n@00001000\n" + data + "q\n"
                                                   << -3 << Lines() << int(Defect::NoAddressFirst)
                                                   << 1;
    QTest::newRow("no end line") << "@00001000\n" + data + data << -3 << Lines()
                                 << int(Defect::NoEndLine) << 17;
    QTest::newRow("end line in the middle") << "@00001000\n" + data + "q\n" + data << -3
                                            << Lines() << int(Defect::TextAfterEnd) << 11;
    QTest::newRow("bare address sign") << "@00001000\n" + data + "@\nq\n" << -3 << Lines()
                                       << int(Defect::ShortAddress) << 10;
    // With the address, the data and the end line: maxFileSize + 1 bytes.
    const QByteArray longLine(FirmwareFile::maxFileSize - 100, '0');
    QTest::newRow("one byte over the size bound") << "@00001000\n" + longLine + "\n" + data + "q\n"
                                                  << -3 << Lines() << int(Defect::TooLarge) << 0;
    QTest::newRow("address of seven characters and terminator") << "@0000100\n" + data
            + "q\n" << 0 << Lines {"@0000100\n"} + dataLines + Lines {"q\n"}
            << int(Defect::None) << 0;
}

// A FIFO would block the reader until someone writes into it: refused at once, as unopenable,
// and the job log's hash of it is left empty.
void tst_FirmwareFile::notARegularFile()
{
    const QString fifo = dir.filePath(QStringLiteral("fifo.cod"));
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    FirmwareFile refused(fifo);
    QCOMPARE(refused.read(), int(JobResult::FirmwareFileCantOpen));
    QCOMPARE(refused.defect().kind, FirmwareFileDefect::CantOpen);
    QCOMPARE(refused.defect().systemError, EINVAL);
    QCOMPARE(FirmwareFile(dir.path()).read(), int(JobResult::FirmwareFileCantOpen));
    QCOMPARE(JobRecord::fileSha256(QStringLiteral("/dev/null")), QString());
    QCOMPARE(JobRecord::fileSha256(fifo), QString());
}

void tst_FirmwareFile::read()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, result);
    QFETCH(Lines, lines);
    QFETCH(int, defect);
    QFETCH(int, line);

    const QString path = TestFirmware::write(dir, contents);
    FirmwareFile file(path);
    QCOMPARE(file.read(), result);
    if (result == JobResult::Ok)
        QCOMPARE(file.lines(), lines);
    QCOMPARE(file.defect().kind, defect);
    QCOMPARE(file.defect().line, line);
    QCOMPARE(file.defect().path, path);
}

QTEST_GUILESS_MAIN(tst_FirmwareFile)
#include "tst_firmwarefile.moc"
