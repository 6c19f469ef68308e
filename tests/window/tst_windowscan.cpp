#include "MessageLog.h"
#include "PortNameMap.h"
#include "ScratchDirectory.h"
#include "WindowBench.h"

#include <QMap>
#include <QTest>
#include <QTreeWidget>

using namespace WindowBench;

namespace {

const QString Ready = QStringLiteral("Готов");
const QString NoFirmware = QStringLiteral("Нет прошивки");
const QString IspMode = QStringLiteral("режим ISP");
const QString NotAvailable = QStringLiteral("n/a");
const QString PortsGroup = QStringLiteral("Ports");

PortPaths storedPorts()
{
    QSettings settings(QStringLiteral("settings.ini"), QSettings::IniFormat);
    settings.beginGroup(PortsGroup);
    PortPaths paths;
    for (const QString &key : settings.childKeys())
        paths.insert(key, settings.value(key).toString());
    return paths;
}

QString rowText(int port, const QString &serial, const QString &description,
                const QString &firmware, const QString &status)
{
    return QStringList {PortNameMap::portName(port), serial, description, firmware, status}.join(
        QLatin1String(" | "));
}

QStringList rowTexts(const QTreeWidget *tree)
{
    QStringList rows;
    for (int index = 0; index < tree->topLevelItemCount(); ++index) {
        const QTreeWidgetItem *item = tree->topLevelItem(index);
        QStringList columns;
        for (int column = 0; column < tree->columnCount(); ++column)
            columns.append(item->text(column));
        rows.append(columns.join(QLatin1String(" | ")));
    }
    rows.sort();
    return rows;
}

QStringList selectedLocations(const QTreeWidget *tree)
{
    QStringList locations;
    for (int index = 0; index < tree->topLevelItemCount(); ++index) {
        if (tree->topLevelItem(index)->isSelected())
            locations.append(tree->topLevelItem(index)->text(0));
    }
    return locations;
}

int requestCount(const SimulatedPorts &ports)
{
    int count = 0;
    for (int number : ports.numbers())
        count += ports.device(number)->log().size();
    return count;
}

enum class CloseMoment { AtOnce, FirstPass, LaterPass };

} // namespace

Q_DECLARE_METATYPE(CloseMoment)

class tst_WindowScan : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void listFollowsDevices();
    void firstPassStartsDuringConstruction();
    void closingDuringPass_data();
    void closingDuringPass();
};

void tst_WindowScan::cleanup()
{
    // The window loaded its ports into the process-wide map.
    PortNameMap::instance().clear();
}

void tst_WindowScan::listFollowsDevices()
{
    ScratchDirectory scratch;
    SimulatedPorts ports;
    // The devices sit on COM1 to COM3 of the test's own map; the window must find them under
    // the names its settings give them.
    const QList<DeviceProfile> profiles = {DeviceProfile::ready(), DeviceProfile::loader(),
                                           DeviceProfile::isp()};
    PortPaths paths;
    for (int index = 0; index < profiles.size(); ++index) {
        SimulatedDevice *device = ports.add(index + 1, profiles[index]);
        QVERIFY(device);
        paths.insert(QStringLiteral("COM%1").arg(11 + index), device->portPath());
    }
    storePorts(paths);
    MessageLog messages;

    {
        Zelkor window;
        window.show();
        QTreeWidget *tree = deviceList(window);
        QStringList expected = {rowText(11, "100001", "DL-METER", "1.2.345", Ready),
                                rowText(12, NotAvailable, NotAvailable, NoFirmware, Ready),
                                rowText(13, NotAvailable, NotAvailable, NoFirmware, IspMode)};
        QTRY_COMPARE_WITH_TIMEOUT(rowTexts(tree), expected, ListTimeoutMs);
        for (int port = 11; port <= 13; ++port) {
            QCOMPARE(row(window, port)->foreground(4).color(), QColor(Qt::blue));
            QCOMPARE(row(window, port)->toolTip(0), ports.device(port - 10)->portPath());
        }

        row(window, 11)->setSelected(true);
        QVERIFY(jobControlsEnabled(window));
        const int rebuilds = messages.count(QStringLiteral("Add items completed"));
        QTRY_VERIFY_WITH_TIMEOUT(
            messages.count(QStringLiteral("Add items completed")) >= rebuilds + 2, ListTimeoutMs);
        QCOMPARE(selectedLocations(tree), QStringList {PortNameMap::portName(11)});
        QVERIFY(jobControlsEnabled(window));

        QVERIFY(ports.add(14, DeviceProfile::legacy()));
        expected.append(rowText(14, "4711", "RT-OLD", "0.9.12", Ready));
        QTRY_COMPARE_WITH_TIMEOUT(rowTexts(tree), expected, ListTimeoutMs);

        // Unplugged last: the system may hand its pseudo-terminal to the next device.
        ports.device(2)->unplug();
        expected.removeAt(1);
        QTRY_COMPARE_WITH_TIMEOUT(rowTexts(tree), expected, ListTimeoutMs);
        QCOMPARE(selectedLocations(tree), QStringList {PortNameMap::portName(11)});

        // As the simulator does when it stops: the window must not write the entry back.
        paths.remove(QStringLiteral("COM12"));
        storePorts(paths);
    }
    QCOMPARE(storedPorts(), paths);
    QVERIFY(ScratchDirectory::storedSettings().contains("window"));
}

void tst_WindowScan::firstPassStartsDuringConstruction()
{
    ScratchDirectory scratch;
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(1);
    QVERIFY(device);
    storePorts({{"COM1", device->portPath()}});

    Zelkor window;
    // No event has been processed yet, so no tick: only a pass that the constructor started
    // can reach the device.
    QVERIFY(device->log().waitForSize(1, ListTimeoutMs));
}

void tst_WindowScan::closingDuringPass_data()
{
    QTest::addColumn<CloseMoment>("moment");

    QTest::newRow("right after start") << CloseMoment::AtOnce;
    QTest::newRow("while the first pass probes") << CloseMoment::FirstPass;
    QTest::newRow("while a later pass probes") << CloseMoment::LaterPass;
}

void tst_WindowScan::closingDuringPass()
{
    QFETCH(CloseMoment, moment);

    ScratchDirectory scratch;
    SimulatedPorts ports;
    // Slow replies stretch a pass over the six devices to about a second.
    DeviceProfile slow = DeviceProfile::ready();
    slow.replyLatencyMs = 40;
    PortPaths paths;
    for (int port = 1; port <= 6; ++port) {
        SimulatedDevice *device = ports.add(port, slow);
        QVERIFY(device);
        paths.insert(QStringLiteral("COM%1").arg(port), device->portPath());
    }
    storePorts(paths);
    WireLog &first = ports.device(1)->log();
    WireLog &last = ports.device(6)->log();
    MessageLog messages;

    {
        Zelkor window;
        window.show();
        switch (moment) {
        case CloseMoment::AtOnce:
            break;
        case CloseMoment::FirstPass:
            QVERIFY(first.waitForSize(1, ListTimeoutMs));
            break;
        case CloseMoment::LaterPass:
            // Ticks start the later passes, so the event loop runs meanwhile.
            QTRY_VERIFY_WITH_TIMEOUT(messages.count(QStringLiteral("Add items completed")) >= 1,
                                     ListTimeoutMs);
            last.clear();
            first.clear();
            QTRY_VERIFY_WITH_TIMEOUT(first.size() >= 1, ListTimeoutMs);
            break;
        }
    }

    // The pass ended with the window before it reached the last device, and from then on no
    // device hears anything. A request already under way is still logged at first.
    QTest::qWait(200);
    const int requests = requestCount(ports);
    QTest::qWait(500);
    QCOMPARE(requestCount(ports), requests);
    QCOMPARE(last.size(), 0);
    QVERIFY(!messages.contains(QStringLiteral("Destroyed while thread is still running")));
    QCOMPARE(ScratchDirectory::storedSettings().value("filename").toString(),
             QStringLiteral("Please select firmware *.cod file"));
}

QTEST_MAIN(tst_WindowScan)
#include "tst_windowscan.moc"
