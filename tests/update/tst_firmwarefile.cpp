#include "FirmwareFile.h"
#include "JobResult.h"
#include "TestFirmware.h"

#include <QtTest>

using Lines = QList<QByteArray>;

class tst_FirmwareFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();

private:
    QTemporaryDir dir;
};

void tst_FirmwareFile::read_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("result");
    QTest::addColumn<Lines>("lines"); // checked only when the file is accepted

    QTest::newRow("ten lines, last unterminated")
        << "@00001000\n" + QByteArray("0102030405\n").repeated(7) + "q\ntail" << 0
        << Lines {"@00001000\n"} + Lines(7, "0102030405\n") + Lines {"q\n", "tail"};
    QTest::newRow("ten blank lines") << QByteArray("\n").repeated(10) << 0 << Lines(10, "\n");
    QTest::newRow("nine blank lines") << QByteArray("\n").repeated(9) << -3 << Lines();
    QTest::newRow("address of seven characters and terminator") << "@0000100\n"
            + QByteArray("AB\n").repeated(9) << 0 << Lines {"@0000100\n"} + Lines(9, "AB\n");
    QTest::newRow("bare address sign") << "@\n" + QByteArray("AB\n").repeated(9) << -3 << Lines();
    QTest::newRow("short address after the end line")
        << "@00001000\n" + QByteArray("AB\n").repeated(8) + "q\n@12\n"
        << -3 << Lines();
}

void tst_FirmwareFile::read()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, result);
    QFETCH(Lines, lines);

    FirmwareFile file(TestFirmware::write(dir, contents));
    QCOMPARE(file.read(), result);
    if (result == JobResult::Ok)
        QCOMPARE(file.lines(), lines);
}

QTEST_GUILESS_MAIN(tst_FirmwareFile)
#include "tst_firmwarefile.moc"
