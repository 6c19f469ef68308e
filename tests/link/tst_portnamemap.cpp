#include "PortNameMap.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestPortNameMap : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void portNumber_data();
    void portNumber();
    void everyPortNameReadsBack();
    void defaultTable_data();
    void defaultTable();
    void overrides();
    void loadSettings();

private:
    PortNameMap &map = PortNameMap::instance();
};

void TestPortNameMap::cleanup()
{
    map.clear();
    map.setDefaultTableEnabled(true);
}

void TestPortNameMap::portNumber_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number");

    QTest::newRow("first") << "\\\\.\\COM1" << 1;
    QTest::newRow("last") << "\\\\.\\COM255" << 255;
    QTest::newRow("beyond the last") << "\\\\.\\COM256" << 0;
    QTest::newRow("zero") << "\\\\.\\COM0" << 0;
    QTest::newRow("leading zero") << "\\\\.\\COM05" << 0;
    QTest::newRow("sign") << "\\\\.\\COM+5" << 0;
    QTest::newRow("trailing text") << "\\\\.\\COM5x" << 0;
    QTest::newRow("no number") << "\\\\.\\COM" << 0;
    QTest::newRow("lower case") << "\\\\.\\com5" << 0;
    QTest::newRow("bare COM name") << "COM5" << 0;
    QTest::newRow("device path") << "/dev/ttyS4" << 0;
}

void TestPortNameMap::portNumber()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    QCOMPARE(PortNameMap::portNumber(name), number);
}

void TestPortNameMap::everyPortNameReadsBack()
{
    for (int number = 1; number <= 255; ++number)
        QCOMPARE(PortNameMap::portNumber(PortNameMap::portName(number)), number);
    QCOMPARE(PortNameMap::portName(5), QStringLiteral(R"(\\.\COM5)"));
}

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
    QTest::newRow("COM255") << 255 << "";
}

void TestPortNameMap::defaultTable()
{
    QFETCH(int, number);
    QFETCH(QString, path);
    QCOMPARE(map.devicePath(PortNameMap::portName(number)), path);
    map.setDefaultTableEnabled(false);
    QCOMPARE(map.devicePath(PortNameMap::portName(number)), QString());
}

void TestPortNameMap::overrides()
{
    const QString com3 = PortNameMap::portName(3);
    const QString com200 = PortNameMap::portName(200);
    map.setPath(com3, "/dev/pts/7");
    map.setPath(com200, "/dev/serial/by-id/usb-meter");
    map.setPath(PortNameMap::portName(4), QString());
    QCOMPARE(map.devicePath(com3), QStringLiteral("/dev/pts/7"));
    QCOMPARE(map.devicePath(com200), QStringLiteral("/dev/serial/by-id/usb-meter"));
    QCOMPARE(map.devicePath(PortNameMap::portName(4)), QString());

    map.setDefaultTableEnabled(false);
    QCOMPARE(map.devicePath(com3), QStringLiteral("/dev/pts/7"));

    map.setDefaultTableEnabled(true);
    map.removePath(com3);
    QCOMPARE(map.devicePath(com3), QStringLiteral("/dev/ttyS2"));
    map.clear();
    QCOMPARE(map.devicePath(com200), QString());
    QCOMPARE(map.devicePath(PortNameMap::portName(4)), QStringLiteral("/dev/ttyS3"));
}

void TestPortNameMap::loadSettings()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("settings.ini");
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.setValue("Program_settings/open_path", "/home/tech");
        settings.setValue("Ports/COM5", "/dev/serial/by-id/usb-FTDI-if00");
        settings.setValue("Ports/COM200", "/dev/pts/3");
        settings.setValue("Ports/COM7", "");
        settings.setValue("Ports/COM08", "/dev/pts/4");
        settings.setValue("Ports/COM300", "/dev/pts/5");
        settings.setValue("Ports/ttyS9", "/dev/pts/6");
    }
    map.setPath(PortNameMap::portName(3), "/dev/pts/9");

    for (const char *key : {"COM08", "COM300", "ttyS9"})
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("\\b%1\\b").arg(key)));
    QSettings settings(file, QSettings::IniFormat);
    map.loadSettings(settings);

    QCOMPARE(map.devicePath(PortNameMap::portName(5)),
             QStringLiteral("/dev/serial/by-id/usb-FTDI-if00"));
    QCOMPARE(map.devicePath(PortNameMap::portName(200)), QStringLiteral("/dev/pts/3"));
    QCOMPARE(map.devicePath(PortNameMap::portName(7)), QString());
    QCOMPARE(map.devicePath(PortNameMap::portName(8)), QStringLiteral("/dev/ttyS7"));
    // Loading replaces what was set before.
    QCOMPARE(map.devicePath(PortNameMap::portName(3)), QStringLiteral("/dev/ttyS2"));
    QCOMPARE(settings.value("Program_settings/open_path").toString(), QStringLiteral("/home/tech"));
}

QTEST_APPLESS_MAIN(TestPortNameMap)
#include "tst_portnamemap.moc"
