#include "FirmwareFile.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_FirmwareFile : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();

private:
    QString writeFile(const QByteArray &contents);

    QTemporaryDir dir;
    int files = 0;
};

using Lines = QList<QByteArray>;

void tst_FirmwareFile::read_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("result");
    // Checked only when the file is accepted.
    QTest::addColumn<Lines>("lines");

    const QByteArray nine = "@00001000\n" + QByteArray("0102030405\n").repeated(7) + "q\n";
    const Lines tenLines = Lines {"@00001000\n"} + Lines(7, "0102030405\n") + Lines {"q\n", "tail"};

    QTest::newRow("empty") << QByteArray() << -3 << Lines();
    QTest::newRow("ten lines, last unterminated") << nine + "tail" << 0 << tenLines;
    QTest::newRow("crlf endings") << "@00001000\r\n" + QByteArray("0102030405\r\n").repeated(7)
            + "q\r\ntail" << 0 << tenLines;
    QTest::newRow("blank lines count") << QByteArray("\n").repeated(10) << 0 << Lines(10, "\n");
    QTest::newRow("nine blank lines") << QByteArray("\n").repeated(9) << -3 << Lines();
    QTest::newRow("address of seven characters and terminator") << "@0000100\n"
            + QByteArray("AB\n").repeated(9) << 0 << Lines {"@0000100\n"} + Lines(9, "AB\n");
    QTest::newRow("bare address sign") << "@\n" + QByteArray("AB\n").repeated(9) << -3 << Lines();
    QTest::newRow("short address after the end line")
        << "@00001000\n" + QByteArray("AB\n").repeated(8) + "q\n@12\n"
        << -3 << Lines();
    QTest::newRow("long lines kept whole")
        << (QByteArray(40, 'F') + "\n").repeated(10) << 0 << Lines(10, QByteArray(40, 'F') + "\n");
}

void tst_FirmwareFile::read()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, result);
    QFETCH(Lines, lines);

    FirmwareFile file(writeFile(contents));
    QCOMPARE(file.read(), result);
    if (result == FirmwareFile::Ok)
        QCOMPARE(file.lines(), lines);
}

QString tst_FirmwareFile::writeFile(const QByteArray &contents)
{
    const QString path = dir.filePath(QStringLiteral("f%1.cod").arg(++files));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(contents) != contents.size())
        qFatal("can't write %s", qPrintable(path));
    return path;
}

QTEST_GUILESS_MAIN(tst_FirmwareFile)
#include "tst_firmwarefile.moc"
