#include "crc16.h"

#include <QTest>

class TestCrc16 : public QObject
{
    Q_OBJECT

private slots:
    void checkValue();
};

// CRC-16/MODBUS: its published check value, and the initial value for no bytes at all.
void TestCrc16::checkValue()
{
    QCOMPARE(crc16("123456789", 9), quint16(0x4B37));
    QCOMPARE(crc16("", 0), quint16(0xFFFF));
}

QTEST_APPLESS_MAIN(TestCrc16)
#include "tst_crc16.moc"
