#include "crc16.h"

#include <QTest>

class TestCrc16 : public QObject
{
    Q_OBJECT

private slots:
    void checkValue_data();
    void checkValue();
};

void TestCrc16::checkValue_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint16>("expected");

    QTest::newRow("no bytes") << QByteArray() << quint16(0xFFFF);
    QTest::newRow("the digits 1 to 9") << QByteArray("123456789") << quint16(0x4B37);
    // Loader frames whose check bytes are fixed on the wire (low byte first).
    QTest::newRow("connect head") << QByteArray::fromHex("34120000") << quint16(0x11AE);
    QTest::newRow("disconnect head") << QByteArray::fromHex("21430000") << quint16(0xCCFB);
    QTest::newRow("empty write-data head") << QByteArray::fromHex("44110000") << quint16(0xD144);
}

void TestCrc16::checkValue()
{
    QFETCH(QByteArray, data);
    QFETCH(quint16, expected);
    QCOMPARE(crc16(data.constData(), unsigned(data.size())), expected);
}

QTEST_APPLESS_MAIN(TestCrc16)
#include "tst_crc16.moc"
