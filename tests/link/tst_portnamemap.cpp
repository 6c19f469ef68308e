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
    void devicePath_data();
    void devicePath();
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

    QTest::newRow("first") << PortNameMap::portName(1) << 1;
    QTest::newRow("last") << PortNameMap::portName(255) << 255;
    QTest::newRow("written out") << R"(\\.\COM5)" << 5;
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

void TestPortNameMap::devicePath_data()
{
    QTest::addColumn<QString>("override"); // null: none
    QTest::addColumn<bool>("tableEnabled");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("pathWithoutOverride");

    const QString none;
    QTest::newRow("COM1") << none << true << 1 << "/dev/ttyS0"
                          << "/dev/ttyS0";
    QTest::newRow("COM32") << none << true << 32 << "/dev/ttyS31"
                           << "/dev/ttyS31";
    QTest::newRow("COM33") << none << true << 33 << "/dev/ttyUSB0"
                           << "/dev/ttyUSB0";
    QTest::newRow("COM96") << none << true << 96 << "/dev/ttyUSB63"
                           << "/dev/ttyUSB63";
    QTest::newRow("COM97") << none << true << 97 << "/dev/ttyACM0"
                           << "/dev/ttyACM0";
    QTest::newRow("COM160") << none << true << 160 << "/dev/ttyACM63"
                            << "/dev/ttyACM63";
    QTest::newRow("COM161") << none << true << 161 << ""
                            << "";
    QTest::newRow("table off") << none << false << 1 << ""
                               << "";
    QTest::newRow("override wins") << "/dev/pts/7" << true << 3 << "/dev/pts/7"
                                   << "/dev/ttyS2";
    QTest::newRow("override beyond the table") << "/dev/pts/7" << true << 200 << "/dev/pts/7"
                                               << "";
    QTest::newRow("override with the table off") << "/dev/pts/7" << false << 3 << "/dev/pts/7"
                                                 << "";
    QTest::newRow("empty override hides") << "" << true << 4 << ""
                                          << "/dev/ttyS3";
}

void TestPortNameMap::devicePath()
{
    QFETCH(QString, override);
    QFETCH(bool, tableEnabled);
    QFETCH(int, number);
    QFETCH(QString, path);
    QFETCH(QString, pathWithoutOverride);
    const QString name = PortNameMap::portName(number);
    map.setDefaultTableEnabled(tableEnabled);
    if (!override.isNull())
        map.setPath(name, override);
    QCOMPARE(map.devicePath(name), path);
    map.clear();
    QCOMPARE(map.devicePath(name), pathWithoutOverride);
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
