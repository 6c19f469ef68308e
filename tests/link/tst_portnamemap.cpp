#include "PortNameMap.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestPortNameMap : public QObject
{
    Q_OBJECT

private slots:
    void defaultTable_data();
    void defaultTable();
    void settingsWin();
};

void TestPortNameMap::defaultTable_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("path");

    QTest::newRow("COM1") << 1 << "/dev/ttyS0";
    QTest::newRow("COM32") << 32 << "/dev/ttyS31";
    QTest::newRow("COM33") << 33 << "/dev/ttyUSB0";
    QTest::newRow("COM96") << 96 << "/dev/ttyUSB63";
    QTest::newRow("COM97") << 97 << "/dev/ttyACM0";
    QTest::newRow("COM160") << 160 << "/dev/ttyACM63";
    QTest::newRow("COM161") << 161 << "";
}

void TestPortNameMap::defaultTable()
{
    QFETCH(int, number);
    QFETCH(QString, path);
    QCOMPARE(PortNameMap::instance().devicePath(PortNameMap::portName(number)), path);
}

// The group "Ports" maps any of COM1 to COM255 and wins over the table; an empty path hides a
// port; other keys (only decimal digits, no leading zero) are reported and ignored.
void TestPortNameMap::settingsWin()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("settings.ini");
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.setValue("Program_settings/open_path", "/home/tech");
        settings.setValue("Ports/COM5", "/dev/serial/by-id/usb-FTDI-if00");
        settings.setValue("Ports/COM255", "/dev/pts/3");
        settings.setValue("Ports/COM7", "");
        for (const char *key : {"COM0", "COM08", "COM+9", "COM9x", "COM256", "ttyS9"})
            settings.setValue(QStringLiteral("Ports/") + key, "/dev/pts/4");
    }
    PortNameMap &map = PortNameMap::instance();
    map.setPath(PortNameMap::portName(3), "/dev/pts/9");

    for (const char *key : {"COM0", "COM08", "COM\\+9", "COM9x", "COM256", "ttyS9"})
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("\\b%1\\b").arg(key)));
    QSettings settings(file, QSettings::IniFormat);
    map.loadSettings(settings);

    QCOMPARE(map.devicePath(PortNameMap::portName(5)),
             QStringLiteral("/dev/serial/by-id/usb-FTDI-if00"));
    QCOMPARE(map.devicePath(PortNameMap::portName(255)), QStringLiteral("/dev/pts/3"));
    QCOMPARE(map.devicePath(PortNameMap::portName(7)), QString());
    QCOMPARE(map.devicePath(PortNameMap::portName(8)), QStringLiteral("/dev/ttyS7"));
    QCOMPARE(map.devicePath(PortNameMap::portName(9)), QStringLiteral("/dev/ttyS8"));
    // Loading replaces what was set before.
    QCOMPARE(map.devicePath(PortNameMap::portName(3)), QStringLiteral("/dev/ttyS2"));
    QCOMPARE(settings.value("Program_settings/open_path").toString(), QStringLiteral("/home/tech"));
}

QTEST_APPLESS_MAIN(TestPortNameMap)
#include "tst_portnamemap.moc"
