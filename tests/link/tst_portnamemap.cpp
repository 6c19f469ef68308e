#include "PortNameMap.h"

#include <QDir>
#include <QFile>
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
    void namesThroughLinks_data();
    void namesThroughLinks();
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

void TestPortNameMap::namesThroughLinks_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("number"); // 0: no port name
    QTest::newRow("the link in the map") << "by-id/usb-meter" << 5;
    QTest::newRow("the node it leads to") << "ttyUSB0" << 5;
    QTest::newRow("another link to that node") << "by-path/pci-0" << 5;
    QTest::newRow("another node") << "ttyUSB1" << 0;
}

// A port is one device however it is named: the job log and the check for a device named
// twice depend on it.
void TestPortNameMap::namesThroughLinks()
{
    QFETCH(QString, path);
    QFETCH(int, number);
    QTemporaryDir dev;
    QVERIFY(dev.isValid() && QDir(dev.path()).mkpath("by-id")
            && QDir(dev.path()).mkpath("by-path"));
    for (const char *node : {"ttyUSB0", "ttyUSB1"})
        QVERIFY(QFile(dev.filePath(node)).open(QIODevice::WriteOnly));
    QVERIFY(QFile::link("../ttyUSB0", dev.filePath("by-id/usb-meter"))
            && QFile::link("../ttyUSB0", dev.filePath("by-path/pci-0")));
    PortNameMap &map = PortNameMap::instance();
    map.clear();
    map.setDefaultTableEnabled(false);
    map.setPath(PortNameMap::portName(5), dev.filePath("by-id/usb-meter"));
    map.setPath(PortNameMap::portName(9), dev.filePath("ttyUSB7"));
    QCOMPARE(map.portNameAt(dev.filePath(path)),
             number ? PortNameMap::portName(number) : QString());
    map.setDefaultTableEnabled(true);
}

QTEST_APPLESS_MAIN(TestPortNameMap)
#include "tst_portnamemap.moc"
