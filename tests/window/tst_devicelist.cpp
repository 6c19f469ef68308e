#include "DeviceThread.h"
#include "MessageLog.h"
#include "PortNameMap.h"
#include "RowState.h"
#include "WindowBench.h"

#include <QTimer>

using namespace WindowBench;

namespace {

const QString Ready = QStringLiteral("Готов");
const QString Before = QStringLiteral("before");
const QString UpdateCancelled = QStringLiteral("Firmware update was cancelled");
const QString CalibrationCancelled = QStringLiteral("Calibration was cancelled");
const QString Progress = QStringLiteral("||| 30%");

// A row of the device list as the tests see it. Column 3 tells who wrote the row: Before for
// rows that were there before the scans, "scan <n>" for rows built from the n-th scan.
struct Row
{
    int port;
    int state;
    QString status;
    QString builtBy = Before;
    bool keepStatus = false;
    bool selected = false;
};

// One pass's result: the ports with a device that answered, and ports listed without one.
struct Scan
{
    QList<int> answering;
    QList<int> silent;
};

using Rows = QList<Row>;
using Scans = QList<Scan>;

enum class Hold { None, JobSlotAtWork, QuietPeriod };

QString location(int port)
{
    return PortNameMap::portName(port);
}

QString describe(const Row &row)
{
    return QStringLiteral("%1 state %2 \"%3\" %4%5%6")
        .arg(location(row.port))
        .arg(row.state)
        .arg(row.status, row.builtBy, row.keepStatus ? QStringLiteral(" keep") : QString(),
             row.selected ? QStringLiteral(" selected") : QString());
}

QStringList describe(const QList<Row> &rows)
{
    QStringList lines;
    for (const Row &row : rows)
        lines.append(describe(row));
    lines.sort();
    return lines;
}

QStringList describe(const QTreeWidget *tree)
{
    QList<Row> rows;
    for (int index = 0; index < tree->topLevelItemCount(); ++index) {
        const QTreeWidgetItem *item = tree->topLevelItem(index);
        rows.append({PortNameMap::portNumber(item->text(0)), item->data(0, RowStateRole).toInt(),
                     item->text(4), item->text(3), item->data(0, KeepStatusRole).toBool(),
                     item->isSelected()});
    }
    return describe(rows);
}

Row scanned(int port, int scan, bool selected = false)
{
    return {port, RowScanned, Ready, QStringLiteral("scan %1").arg(scan), false, selected};
}

// Each row as the user reads it, all columns.
QStringList rowTexts(const QTreeWidget *tree)
{
    QStringList rows;
    for (int index = 0; index < tree->topLevelItemCount(); ++index) {
        QStringList columns;
        for (int column = 0; column < tree->columnCount(); ++column)
            columns.append(tree->topLevelItem(index)->text(column));
        rows.append(columns.join(QLatin1String(" | ")));
    }
    rows.sort();
    return rows;
}

PortPaths storedPorts()
{
    QSettings settings(QStringLiteral("settings.ini"), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Ports"));
    PortPaths paths;
    for (const QString &key : settings.childKeys())
        paths.insert(key, settings.value(key).toString());
    return paths;
}

} // namespace

Q_DECLARE_METATYPE(Row)
Q_DECLARE_METATYPE(Scan)
Q_DECLARE_METATYPE(Hold)

class tst_DeviceList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rebuild_data();
    void rebuild();
    void windowFollowsDevices();
    void closingDuringPass_data();
    void closingDuringPass();

private:
    ScratchDirectory scratch;
};

void tst_DeviceList::initTestCase()
{
    // No window may touch the machine's own serial ports.
    PortNameMap::instance().setDefaultTableEnabled(false);
}

void tst_DeviceList::rebuild_data()
{
    QTest::addColumn<QList<Row>>("before");
    QTest::addColumn<bool>("controlsBefore");
    QTest::addColumn<Hold>("hold");
    QTest::addColumn<QList<Scan>>("scans");
    QTest::addColumn<QList<Row>>("after");
    QTest::addColumn<bool>("controlsAfter");

    const Row busy {1, RowBusy, Progress, Before, true};
    const Row failed {1, RowFailed, UpdateCancelled, Before, true};
    const Row warned {1, RowWarned, CalibrationCancelled, Before, true};
    const Row done {1, RowDone, "||||||||||| 100%"};

    QTest::newRow("scanned rows follow the newest scan")
        << Rows {{1, RowScanned, Ready}, {2, RowScanned, Ready}} << false << Hold::None
        << Scans {{{1, 3}, {2}}, {{3, 1}, {}}} << Rows {scanned(1, 2), scanned(3, 2)} << false;
    QTest::newRow("busy row stays while its device answers, no second row")
        << Rows {busy} << false << Hold::None << Scans {{{1, 2}, {}}} << Rows {busy, scanned(2, 1)}
        << false;
    QTest::newRow("failed row stays while its device answers or its port is listed")
        << Rows {failed} << false << Hold::None << Scans {{{1}, {}}, {{}, {1}}} << Rows {failed}
        << false;
    QTest::newRow("failed row goes with its port and returns without its text")
        << Rows {failed} << false << Hold::None << Scans {{}, {{1}, {}}} << Rows {scanned(1, 2)}
        << false;
    QTest::newRow("warned text survives every scan that finds the device")
        << Rows {warned} << false << Hold::None << Scans {{{1}, {}}, {{1, 2}, {}}, {{2, 1}, {}}}
        << Rows {{1, RowScanned, CalibrationCancelled, "scan 3", true}, scanned(2, 3)} << false;
    QTest::newRow("done and warned rows go while their devices are silent, return plain")
        << Rows {done, {2, RowWarned, CalibrationCancelled, Before, true}} << false << Hold::None
        << Scans {{{}, {1, 2}}, {{1, 2}, {}}} << Rows {scanned(1, 2), scanned(2, 2)} << false;
    QTest::newRow("empty scan leaves only busy rows")
        << Rows {{1, RowScanned, Ready},
                 {2, RowDone, Ready},
                 {3, RowWarned, CalibrationCancelled},
                 {4, RowFailed, UpdateCancelled},
                 {5, RowBusy, Progress}}
        << true << Hold::None << Scans {{}} << Rows {{5, RowBusy, Progress, Before, true}} << false;

    QTest::newRow("selected row found again is selected again")
        << Rows {{1, RowScanned, Ready, Before, false, true}, {2, RowScanned, Ready}} << false
        << Hold::None << Scans {{{1, 2}, {}}, {{2, 1}, {}}}
        << Rows {scanned(1, 2, true), scanned(2, 2)} << true;
    QTest::newRow("selection of a busy row alone disables the controls")
        << Rows {{1, RowBusy, Progress, Before, false, true}, {2, RowScanned, Ready}} << true
        << Hold::None << Scans {{{1, 2}, {}}}
        << Rows {{1, RowBusy, Progress, Before, true, true}, scanned(2, 1)} << false;
    QTest::newRow("one usable row among the selected enables the controls")
        << Rows {{1, RowBusy, Progress, Before, false, true},
                 {2, RowScanned, Ready, Before, false, true}}
        << false << Hold::None << Scans {{{1, 2}, {}}}
        << Rows {{1, RowBusy, Progress, Before, true, true}, scanned(2, 1, true)} << true;

    // Every row of this list would change under the scan below, and so would the controls.
    const Rows jobRows = {{1, RowScanned, Ready},
                          {2, RowFailed, UpdateCancelled, Before, true},
                          {3, RowWarned, CalibrationCancelled, Before, true},
                          {4, RowDone, Ready}};
    const Scans changingScans = {{{1, 3, 4, 5}, {}}};
    QTest::newRow("result dropped while a job slot is at work")
        << jobRows << true << Hold::JobSlotAtWork << changingScans << jobRows << true;
    QTest::newRow("result dropped within the quiet period after a job event")
        << jobRows << true << Hold::QuietPeriod << changingScans << jobRows << true;
}

// add_items fed by the test alone: the window's own scanning is stopped.
void tst_DeviceList::rebuild()
{
    QFETCH(QList<Row>, before);
    QFETCH(bool, controlsBefore);
    QFETCH(Hold, hold);
    QFETCH(QList<Scan>, scans);
    QFETCH(QList<Row>, after);
    QFETCH(bool, controlsAfter);

    Zelkor window;
    window.refreshTimer->stop();
    window.deviceThread->requestStop();
    window.deviceThread->wait();
    QCoreApplication::removePostedEvents(&window, QEvent::MetaCall);

    for (const Row &row : before) {
        auto *item = new QTreeWidgetItem(window.ui.treeWidget);
        item->setText(0, location(row.port));
        item->setText(3, row.builtBy);
        item->setText(4, row.status);
        // Selected first: a job takes the flags of a row the user has selected.
        item->setSelected(row.selected);
        window.setRowState(item, row.state);
    }
    for (const char *name : {"updateBtn", "calbBtn", "calbAfterChk"})
        window.findChild<QWidget *>(name)->setEnabled(controlsBefore);
    window.busy = hold == Hold::JobSlotAtWork;
    if (hold == Hold::QuietPeriod)
        window.lastJobTime.start();

    MessageLog messages;
    for (int index = 0; index < scans.size(); ++index) {
        QStringList listed;
        QList<TDevices> devices;
        for (int port : scans[index].answering + scans[index].silent)
            listed.append(location(port));
        for (int port : scans[index].answering)
            devices.append({location(port), QString::number(100000 + port), "DL-METER",
                            QStringLiteral("scan %1").arg(index + 1), Ready});
        window.add_items(listed, devices);
    }

    QCOMPARE(describe(window.ui.treeWidget), describe(after));
    QCOMPARE(jobControlsEnabled(window), controlsAfter);
    const int rebuilds = hold == Hold::None ? int(scans.size()) : 0;
    QCOMPARE(messages.count("Add items started"), rebuilds);
    QCOMPARE(messages.count("Add items completed"), rebuilds);
}

void tst_DeviceList::windowFollowsDevices()
{
    Bench bench;
    // The devices sit on COM1 to COM3 of the test's own map; the window must find them under
    // the names its settings give them.
    const QList<DeviceProfile> profiles = {DeviceProfile::ready(), DeviceProfile::loader(),
                                           DeviceProfile::isp()};
    for (int index = 0; index < profiles.size(); ++index)
        QVERIFY(bench.add(index + 1, profiles[index], {}, 11 + index));
    const Zelkor &window = *bench.start();
    // No event has been processed yet, so no tick: only a pass that the constructor started can
    // reach a device.
    QVERIFY(bench.device(1)->log().waitForSize(1, ListTimeoutMs));

    QTreeWidget *tree = deviceList(window);
    QStringList expected = {location(11) + " | 100001 | DL-METER | 1.2.345 | " + Ready,
                            location(12) + " | n/a | n/a | Нет прошивки | " + Ready,
                            location(13) + " | n/a | n/a | Нет прошивки | режим ISP"};
    QTRY_COMPARE_WITH_TIMEOUT(rowTexts(tree), expected, ListTimeoutMs);
    for (int port = 11; port <= 13; ++port) {
        QCOMPARE(row(window, port)->foreground(4).color(), QColor(Qt::blue));
        QCOMPARE(row(window, port)->toolTip(0), bench.device(port - 10)->portPath());
    }

    // The selected row is rebuilt by every pass and must come back selected.
    row(window, 11)->setSelected(true);
    bench.device(2)->unplug();
    expected.removeAt(1);
    QTRY_COMPARE_WITH_TIMEOUT(rowTexts(tree), expected, ListTimeoutMs);
    QVERIFY(row(window, 11)->isSelected());
    QVERIFY(jobControlsEnabled(window));

    // As the simulator does when it stops: the window must not write the entry back.
    PortPaths paths = storedPorts();
    QVERIFY(paths.remove(QStringLiteral("COM12")));
    storePorts(paths);
    bench.close();
    QCOMPARE(storedPorts(), paths);
}

void tst_DeviceList::closingDuringPass_data()
{
    QTest::addColumn<bool>("laterPass"); // false: the pass the constructor started

    QTest::newRow("first pass") << false;
    QTest::newRow("later pass") << true;
}

void tst_DeviceList::closingDuringPass()
{
    QFETCH(bool, laterPass);

    Bench bench;
    // Slow replies stretch a pass over the six devices to about a second.
    DeviceProfile slow = DeviceProfile::ready();
    slow.replyLatencyMs = 40;
    for (int port = 1; port <= 6; ++port)
        QVERIFY(bench.add(port, slow));
    WireLog &first = bench.device(1)->log();
    WireLog &last = bench.device(6)->log();
    const auto requests = [&bench] {
        int count = 0;
        for (int port = 1; port <= 6; ++port)
            count += bench.device(port)->log().size();
        return count;
    };
    MessageLog messages;

    bench.start();
    if (laterPass) {
        // Ticks start the later passes, so the event loop runs meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(messages.count("Add items completed") >= 1, ListTimeoutMs);
        last.clear();
        first.clear();
        QTRY_VERIFY_WITH_TIMEOUT(first.size() >= 1, ListTimeoutMs);
    } else {
        QVERIFY(first.waitForSize(1, ListTimeoutMs));
    }
    bench.close();

    // The pass, which talks to all six at once, ended with the window within their first
    // exchanges, and from then on no device hears anything. A request already under way is still
    // logged at first.
    QTest::qWait(200);
    const int heard = requests();
    QTest::qWait(500);
    QCOMPARE(requests(), heard);
    QVERIFY(last.size() <= 1);
    QVERIFY(!messages.contains("Destroyed while thread is still running"));
    QCOMPARE(ScratchDirectory::storedSettings().value("filename").toString(),
             QStringLiteral("Please select firmware *.cod file"));
}

QTEST_MAIN(tst_DeviceList)
#include "tst_devicelist.moc"
