#include "DeviceThread.h"
#include "MessageLog.h"
#include "PortNameMap.h"
#include "RowState.h"
#include "ScratchDirectory.h"
#include "Zelkor.h"

#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

namespace {

const QString Ready = QStringLiteral("Готов");
const QString Before = QStringLiteral("before");
const QString UpdateCancelled = QStringLiteral("Firmware update was cancelled");
const QString CalibrationCancelled = QStringLiteral("Calibration was cancelled");
const QString Progress = QStringLiteral("||| 30%");

const QStringList JobControls = {"updateBtn", "calbBtn", "calbAfterChk"};

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
    QStringList lines;
    for (int index = 0; index < tree->topLevelItemCount(); ++index) {
        const QTreeWidgetItem *item = tree->topLevelItem(index);
        const Row row {PortNameMap::portNumber(item->text(0)),
                       item->data(0, RowStateRole).toInt(),
                       item->text(4),
                       item->text(3),
                       item->data(0, KeepStatusRole).toBool(),
                       item->isSelected()};
        lines.append(describe(row));
    }
    lines.sort();
    return lines;
}

// The arguments of add_items for the n-th scan; each record names the scan in column 3.
QStringList listedPorts(const Scan &scan)
{
    QStringList ports;
    for (int port : scan.answering + scan.silent)
        ports.append(location(port));
    return ports;
}

QList<TDevices> records(const Scan &scan, int number)
{
    QList<TDevices> devices;
    for (int port : scan.answering)
        devices.append({location(port), QString::number(100000 + port), "DL-METER",
                        QStringLiteral("scan %1").arg(number), Ready});
    return devices;
}

bool jobControlsEnabled(const Zelkor &window)
{
    bool enabled = true;
    for (const QString &name : JobControls)
        enabled = enabled && window.findChild<QWidget *>(name)->isEnabled();
    return enabled;
}

void setJobControls(Zelkor &window, bool enabled)
{
    for (const QString &name : JobControls)
        window.findChild<QWidget *>(name)->setEnabled(enabled);
}

Row scanned(int port, int scan, bool selected = false)
{
    return {port, RowScanned, Ready, QStringLiteral("scan %1").arg(scan), false, selected};
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
    void cleanupTestCase();
    void rebuild_data();
    void rebuild();
    void quietPeriodEnds();
    void rowStates_data();
    void rowStates();

private:
    // A window whose own scanning is stopped, so that only the test feeds its list.
    std::unique_ptr<Zelkor> quietWindow();
    QTreeWidgetItem *addRow(Zelkor &window, const Row &row);

    ScratchDirectory scratch;
};

void tst_DeviceList::initTestCase()
{
    // The window's first pass must not touch the machine's own serial ports.
    PortNameMap::instance().setDefaultTableEnabled(false);
}

void tst_DeviceList::cleanupTestCase()
{
    PortNameMap::instance().setDefaultTableEnabled(true);
}

std::unique_ptr<Zelkor> tst_DeviceList::quietWindow()
{
    auto window = std::make_unique<Zelkor>();
    window->refreshTimer->stop();
    window->deviceThread->requestStop();
    window->deviceThread->wait();
    QCoreApplication::removePostedEvents(window.get(), QEvent::MetaCall);
    return window;
}

QTreeWidgetItem *tst_DeviceList::addRow(Zelkor &window, const Row &row)
{
    auto *item = new QTreeWidgetItem(window.ui.treeWidget);
    item->setText(0, location(row.port));
    item->setText(3, row.builtBy);
    item->setText(4, row.status);
    // Selected first: a job takes the flags of a row the user has selected.
    item->setSelected(row.selected);
    window.setRowState(item, row.state);
    return item;
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
        << QList<Row> {{1, RowScanned, Ready}, {2, RowScanned, Ready}} << false << Hold::None
        << QList<Scan> {{{1, 3}, {2}}, {{3, 1}, {}}} << QList<Row> {scanned(1, 2), scanned(3, 2)}
        << false;
    QTest::newRow("busy row stays while its device answers, no second row")
        << QList<Row> {busy} << false << Hold::None << QList<Scan> {{{1, 2}, {}}}
        << QList<Row> {busy, scanned(2, 1)} << false;
    QTest::newRow("busy row stays while its port is taken from the scan")
        << QList<Row> {busy} << false << Hold::None << QList<Scan> {{}, {}} << QList<Row> {busy}
        << false;
    QTest::newRow("failed row stays while its device answers, no second row")
        << QList<Row> {failed} << false << Hold::None << QList<Scan> {{{1}, {}}, {{1}, {}}}
        << QList<Row> {failed} << false;
    QTest::newRow("failed row stays while its port is listed without a device")
        << QList<Row> {failed} << false << Hold::None << QList<Scan> {{{}, {1}}}
        << QList<Row> {failed} << false;
    QTest::newRow("failed row goes with its port and returns without its text")
        << QList<Row> {failed} << false << Hold::None << QList<Scan> {{}, {{1}, {}}}
        << QList<Row> {scanned(1, 2)} << false;
    QTest::newRow("done row goes while its device is silent, returns when it answers")
        << QList<Row> {done} << false << Hold::None << QList<Scan> {{{}, {1}}, {{1}, {}}}
        << QList<Row> {scanned(1, 2)} << false;
    QTest::newRow("warned text survives every scan that finds the device")
        << QList<Row> {warned} << false << Hold::None
        << QList<Scan> {{{1}, {}}, {{1, 2}, {}}, {{2, 1}, {}}}
        << QList<Row> {{1, RowScanned, CalibrationCancelled, "scan 3", true}, scanned(2, 3)}
        << false;
    QTest::newRow("warned text is lost once the device was missing")
        << QList<Row> {warned} << false << Hold::None << QList<Scan> {{{}, {1}}, {{1}, {}}}
        << QList<Row> {scanned(1, 2)} << false;
    QTest::newRow("empty scan leaves only busy rows")
        << QList<Row> {{1, RowScanned, Ready},
                       {2, RowDone, Ready},
                       {3, RowWarned, CalibrationCancelled},
                       {4, RowFailed, UpdateCancelled},
                       {5, RowBusy, Progress}}
        << true << Hold::None << QList<Scan> {{}}
        << QList<Row> {{5, RowBusy, Progress, Before, true}} << false;

    QTest::newRow("selected row found again is selected again")
        << QList<Row> {{1, RowScanned, Ready, Before, false, true}, {2, RowScanned, Ready}} << false
        << Hold::None << QList<Scan> {{{1, 2}, {}}, {{2, 1}, {}}}
        << QList<Row> {scanned(1, 2, true), scanned(2, 2)} << true;
    QTest::newRow("selected row gone: controls stay enabled for an empty selection")
        << QList<Row> {{1, RowScanned, Ready, Before, false, true}, {2, RowScanned, Ready}} << true
        << Hold::None << QList<Scan> {{{2}, {}}} << QList<Row> {scanned(2, 1)} << true;
    QTest::newRow("selected failed row stays selected")
        << QList<Row> {{1, RowFailed, UpdateCancelled, Before, false, true}} << false << Hold::None
        << QList<Scan> {{{1}, {}}}
        << QList<Row> {{1, RowFailed, UpdateCancelled, Before, true, true}} << true;
    QTest::newRow("selection of a busy row alone disables the controls")
        << QList<Row> {{1, RowBusy, Progress, Before, false, true}, {2, RowScanned, Ready}} << true
        << Hold::None << QList<Scan> {{{1, 2}, {}}}
        << QList<Row> {{1, RowBusy, Progress, Before, true, true}, scanned(2, 1)} << false;
    QTest::newRow("one usable row among the selected enables the controls")
        << QList<Row> {{1, RowBusy, Progress, Before, false, true},
                       {2, RowScanned, Ready, Before, false, true}}
        << false << Hold::None << QList<Scan> {{{1, 2}, {}}}
        << QList<Row> {{1, RowBusy, Progress, Before, true, true}, scanned(2, 1, true)} << true;

    // Every row of this list would change under the scan below, and so would the controls.
    const QList<Row> jobRows = {{1, RowScanned, Ready},
                                {2, RowFailed, UpdateCancelled, Before, true},
                                {3, RowWarned, CalibrationCancelled, Before, true},
                                {4, RowDone, Ready}};
    const QList<Scan> changingScans = {{{1, 3, 4, 5}, {}}};
    QTest::newRow("result dropped while a job slot is at work")
        << jobRows << true << Hold::JobSlotAtWork << changingScans << jobRows << true;
    QTest::newRow("result dropped within the quiet period after a job event")
        << jobRows << true << Hold::QuietPeriod << changingScans << jobRows << true;
}

void tst_DeviceList::rebuild()
{
    QFETCH(QList<Row>, before);
    QFETCH(bool, controlsBefore);
    QFETCH(Hold, hold);
    QFETCH(QList<Scan>, scans);
    QFETCH(QList<Row>, after);
    QFETCH(bool, controlsAfter);

    const std::unique_ptr<Zelkor> window = quietWindow();
    for (const Row &row : before)
        addRow(*window, row);
    setJobControls(*window, controlsBefore);
    window->busy = hold == Hold::JobSlotAtWork;
    if (hold == Hold::QuietPeriod)
        window->lastJobTime.start();

    MessageLog messages;
    for (int index = 0; index < scans.size(); ++index)
        window->add_items(listedPorts(scans[index]), records(scans[index], index + 1));

    QCOMPARE(describe(window->ui.treeWidget), describe(after));
    QCOMPARE(jobControlsEnabled(*window), controlsAfter);
    const int rebuilds = hold == Hold::None ? int(scans.size()) : 0;
    QCOMPARE(messages.count("Add items started"), rebuilds);
    QCOMPARE(messages.count("Add items completed"), rebuilds);
}

void tst_DeviceList::quietPeriodEnds()
{
    const std::unique_ptr<Zelkor> window = quietWindow();
    const Scan scan {{1}, {}};
    window->lastJobTime.start();
    window->add_items(listedPorts(scan), records(scan, 1));
    QCOMPARE(window->ui.treeWidget->topLevelItemCount(), 0);

    QTRY_VERIFY_WITH_TIMEOUT((window->add_items(listedPorts(scan), records(scan, 1)),
                              window->ui.treeWidget->topLevelItemCount() == 1),
                             5000);
    QVERIFY(window->lastJobTime.elapsed() >= 1000);
}

void tst_DeviceList::rowStates_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("replaceOnScan");
    QTest::addColumn<bool>("keepStatus");

    const int usable = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    QTest::newRow("warned") << int(RowBusy) << int(RowWarned) << usable << true << true;
    QTest::newRow("failed") << int(RowBusy) << int(RowFailed) << usable << false << true;
    QTest::newRow("scanned") << int(RowBusy) << int(RowScanned) << usable << true << false;
    QTest::newRow("busy") << int(RowScanned) << int(RowBusy) << 0 << false << true;
    QTest::newRow("done") << int(RowBusy) << int(RowDone) << 0 << true << false;
    // An unknown number is stored and changes nothing else.
    QTest::newRow("unknown after busy") << int(RowBusy) << 7 << 0 << false << true;
    QTest::newRow("unknown after scanned") << int(RowScanned) << -3 << usable << true << false;
}

void tst_DeviceList::rowStates()
{
    QFETCH(int, from);
    QFETCH(int, state);
    QFETCH(int, flags);
    QFETCH(bool, replaceOnScan);
    QFETCH(bool, keepStatus);

    const std::unique_ptr<Zelkor> window = quietWindow();
    QTreeWidgetItem *item = addRow(*window, {1, from, Progress});
    // Rows are never editable, checkable or draggable, whatever they had before.
    item->setFlags(item->flags() | Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
    window->setRowState(item, from);
    window->setRowState(item, state);

    QCOMPARE(item->data(0, RowStateRole), QVariant(state));
    QCOMPARE(int(item->flags()), flags);
    QCOMPARE(item->data(0, ReplaceOnScanRole), QVariant(replaceOnScan));
    QCOMPARE(item->data(0, KeepStatusRole), QVariant(keepStatus));
    QCOMPARE(item->text(4), Progress);
}

QTEST_MAIN(tst_DeviceList)
#include "tst_devicelist.moc"
