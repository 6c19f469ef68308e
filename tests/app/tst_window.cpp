#include "DeviceThread.h"
#include "RowState.h"
#include "WindowBench.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

using namespace WindowBench;

namespace {

const QString Prompt = QStringLiteral("Please select firmware *.cod file");
const QString Ready = QStringLiteral("Готов");
const QString Before = QStringLiteral("before");
const QString UpdateCancelled = QStringLiteral("Firmware update was cancelled");
const QString CalibrationCancelled = QStringLiteral("Calibration was cancelled");
const QString Progress = QStringLiteral("||| 30%");
const QSize FormSize(615, 292);
const QStringList JobControls = {"updateBtn", "calbBtn", "calbAfterChk"};

template<typename T = QWidget> T *child(const Zelkor &window, const QString &name)
{
    return window.findChild<T *>(name);
}

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

QStringList describe(const Rows &rows)
{
    QStringList lines;
    for (const Row &row : rows) {
        lines.append(QStringLiteral("COM%1 state %2 \"%3\" %4%5%6")
                         .arg(row.port)
                         .arg(row.state)
                         .arg(row.status, row.builtBy, row.keepStatus ? " keep" : "",
                              row.selected ? " selected" : ""));
    }
    lines.sort();
    return lines;
}

QStringList describe(const QTreeWidget *tree)
{
    Rows rows;
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

// Answers every file dialog that opens while it lives, from inside the dialog's own event loop:
// chooses the given file, or cancels when there is none. A dialog that refuses the choice is
// cancelled on the next tick, so a broken test fails instead of hanging.
class DialogAnswer : public QObject
{
public:
    explicit DialogAnswer(const QString &fileToChoose) : fileToChoose(fileToChoose)
    {
        connect(&poll, &QTimer::timeout, this, &DialogAnswer::answer);
        poll.start(10);
    }

    int dialogsSeen = 0;
    QString startFolder;

private:
    void answer()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if (dialog == answered) {
            dialog->reject();
            return;
        }
        answered = dialog;
        ++dialogsSeen;
        startFolder = dialog->directory().absolutePath();
        if (fileToChoose.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed as a user would; QFileDialog::selectFile() leaves a focused name field alone.
        const QFileInfo file(fileToChoose);
        dialog->setDirectory(file.path());
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(file.fileName());
        // QFileDialog hides its override, which checks that the file exists.
        static_cast<QDialog *>(dialog)->accept();
    }

    QString fileToChoose;
    QPointer<QFileDialog> answered;
    QTimer poll;
};

enum class Input { Press, TypeKey, FilterOtherWidget };
enum UserAction { TypeFileName = 1, CheckCalibrateAfter = 2, Resize = 4 };

} // namespace

Q_DECLARE_METATYPE(Row)
Q_DECLARE_METATYPE(Scan)
Q_DECLARE_METATYPE(Hold)
Q_DECLARE_METATYPE(Input)

class tst_Window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rebuild_data();
    void rebuild();
    void windowFollowsDevices();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void fileChooser_data();
    void fileChooser();
    void jobControlsFollowSelection_data();
    void jobControlsFollowSelection();

private:
    ScratchDirectory scratch;
};

void tst_Window::initTestCase()
{
    // Keeps the file dialog's own history out of the user's configuration.
    QStandardPaths::setTestModeEnabled(true);
    // No window may touch the machine's own serial ports.
    PortNameMap::instance().setDefaultTableEnabled(false);
}

void tst_Window::rebuild_data()
{
    QTest::addColumn<Rows>("before");
    QTest::addColumn<bool>("controlsBefore");
    QTest::addColumn<Hold>("hold");
    QTest::addColumn<Scans>("scans");
    QTest::addColumn<Rows>("after");
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
void tst_Window::rebuild()
{
    QFETCH(Rows, before);
    QFETCH(bool, controlsBefore);
    QFETCH(Hold, hold);
    QFETCH(Scans, scans);
    QFETCH(Rows, after);
    QFETCH(bool, controlsAfter);

    Zelkor window;
    window.refreshTimer->stop();
    window.deviceThread->requestStop();
    window.deviceThread->wait();
    QCoreApplication::removePostedEvents(&window, QEvent::MetaCall);

    for (const Row &row : before) {
        auto *item = new QTreeWidgetItem(window.ui.treeWidget);
        item->setText(0, PortNameMap::portName(row.port));
        item->setText(3, row.builtBy);
        item->setText(4, row.status);
        // Selected first: a job takes the flags of a row the user has selected.
        item->setSelected(row.selected);
        window.setRowState(item, row.state);
    }
    for (const QString &name : JobControls)
        child(window, name)->setEnabled(controlsBefore);
    window.busy = hold == Hold::JobSlotAtWork;
    if (hold == Hold::QuietPeriod)
        window.lastJobTime.start();

    for (int index = 0; index < scans.size(); ++index) {
        QStringList listed;
        QList<TDevices> devices;
        for (int port : scans[index].answering + scans[index].silent)
            listed.append(PortNameMap::portName(port));
        for (int port : scans[index].answering)
            devices.append({PortNameMap::portName(port), QString::number(100000 + port),
                            "DL-METER", QStringLiteral("scan %1").arg(index + 1), Ready});
        window.add_items(listed, devices);
    }

    QCOMPARE(describe(window.ui.treeWidget), describe(after));
    QCOMPARE(jobControlsEnabled(window), controlsAfter);
}

void tst_Window::windowFollowsDevices()
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
    QStringList expected = {PortNameMap::portName(11) + " | 100001 | DL-METER | 1.2.345 | " + Ready,
                            PortNameMap::portName(12) + " | n/a | n/a | Нет прошивки | " + Ready,
                            PortNameMap::portName(13) + " | n/a | n/a | Нет прошивки | режим ISP"};
    QTRY_COMPARE_WITH_TIMEOUT(rowTexts(tree), expected, ListTimeoutMs);
    QCOMPARE(row(window, 12)->toolTip(0), bench.device(2)->portPath());

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

void tst_Window::settingsRoundTrip_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<int>("actions");
    QTest::addColumn<QVariantMap>("saved");
    QTest::addColumn<QString>("fileFieldNextTime");

    QTest::newRow("first start untouched")
        << QVariantMap() << 0
        << QVariantMap {{"filename", Prompt}, {"open_path", ""}, {"calb_after", false}} << Prompt;
    QTest::newRow("stored name without a folder gives way to the prompt")
        << QVariantMap {{"filename", "/srv/fw/meter.cod"}, {"open_path", ""}} << 0
        << QVariantMap {{"filename", Prompt}, {"open_path", ""}} << Prompt;
    // The box is checked while a missing selection keeps it disabled.
    QTest::newRow("typed name without a folder, box checked, resized")
        << QVariantMap() << (TypeFileName | CheckCalibrateAfter | Resize)
        << QVariantMap {{"filename", "typed name.cod"}, {"open_path", ""}, {"calb_after", true}}
        << Prompt;
    QTest::newRow("typed name with a folder")
        << QVariantMap {{"open_path", "/srv/fw"}, {"filename", "/srv/fw/old.cod"}}
        << int(TypeFileName)
        << QVariantMap {{"filename", "typed name.cod"}, {"open_path", "/srv/fw"}}
        << "typed name.cod";
    QTest::newRow("unusable geometry")
        << QVariantMap {{"window", QByteArray("\x01\xd9\xd0\xcb garbage")}} << 0 << QVariantMap()
        << Prompt;
}

void tst_Window::settingsRoundTrip()
{
    QFETCH(QVariantMap, before);
    QFETCH(int, actions);
    QFETCH(QVariantMap, saved);
    QFETCH(QString, fileFieldNextTime);

    ScratchDirectory fresh;
    ScratchDirectory::storeSettings(before);
    const QSize resized(700, 400);
    {
        Zelkor window;
        QCOMPARE(window.size(), FormSize);
        if (actions & TypeFileName) {
            auto *field = child<QLineEdit>(window, "filenameEdit");
            field->selectAll();
            QTest::keyClicks(field, QStringLiteral("typed name.cod"));
        }
        if (actions & CheckCalibrateAfter)
            child<QCheckBox>(window, "calbAfterChk")->setChecked(true);
        if (actions & Resize)
            window.resize(resized);
    }
    const QVariantMap stored = ScratchDirectory::storedSettings();
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QCOMPARE(stored.value(it.key()).toString(), it.value().toString());

    Zelkor nextTime;
    QCOMPARE(child<QLineEdit>(nextTime, "filenameEdit")->text(), fileFieldNextTime);
    QCOMPARE(child<QCheckBox>(nextTime, "calbAfterChk")->isChecked(),
             bool(actions & CheckCalibrateAfter));
    // Nothing is selected yet.
    for (const QString &name : JobControls)
        QVERIFY2(!child(nextTime, name)->isEnabled(), qPrintable(name));
    QCOMPARE(nextTime.size(), actions & Resize ? resized : FormSize);
}

void tst_Window::fileChooser_data()
{
    // Files relative to the scratch directory; the last choice was "firmware/meter.cod".
    QTest::addColumn<Input>("input");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QString>("chosenFile"); // empty: cancel
    QTest::addColumn<QString>("fileField");

    const QString last = QStringLiteral("firmware/meter.cod");
    const QString other = QStringLiteral("new release/meter v2.cod");
    QTest::newRow("left press, cancel keeps the last choice")
        << Input::Press << Qt::LeftButton << "" << last;
    QTest::newRow("right press, choose in another folder")
        << Input::Press << Qt::RightButton << other << other;
    QTest::newRow("typing") << Input::TypeKey << Qt::NoButton << "" << last + "x";
    QTest::newRow("press seen for another widget")
        << Input::FilterOtherWidget << Qt::LeftButton << "" << last;
}

// Any press into the file field opens the chooser instead of reaching the field; every other
// event passes. The folder stored is the one of the file chosen last.
void tst_Window::fileChooser()
{
    QFETCH(Input, input);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QString, chosenFile);
    QFETCH(QString, fileField);

    ScratchDirectory fresh;
    const QDir root(fresh.path());
    for (const QString file : {"firmware/meter.cod", "new release/meter v2.cod"}) {
        QVERIFY(root.mkpath(QFileInfo(file).path()));
        QFile firmware(root.filePath(file));
        QVERIFY(firmware.open(QIODevice::WriteOnly));
    }
    ScratchDirectory::storeSettings({{"open_path", root.filePath("firmware")},
                                     {"filename", root.filePath("firmware/meter.cod")}});
    {
        Zelkor window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *field = child<QLineEdit>(window, "filenameEdit");
        const QPoint nearStart(3, field->height() / 2);
        DialogAnswer answer(chosenFile.isEmpty() ? QString() : root.filePath(chosenFile));
        if (input == Input::Press)
            QTest::mousePress(field, button, {}, nearStart);
        else if (input == Input::TypeKey)
            QTest::keyClick(field, Qt::Key_X);
        else {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(nearStart), QPointF(nearStart),
                              button, button, Qt::NoModifier);
            QVERIFY(!window.eventFilter(child(window, "VrefSpin"), &press));
        }

        QCOMPARE(answer.dialogsSeen, int(input == Input::Press));
        if (input == Input::Press) {
            QCOMPARE(answer.startFolder, root.filePath("firmware"));
            // The press never reached the field: the text cursor stays at the end of the text.
            QCOMPARE(field->cursorPosition(), field->text().size());
        }
        QCOMPARE(field->text(), root.filePath(fileField));
    }
    QCOMPARE(ScratchDirectory::storedSettings().value("open_path").toString(),
             QFileInfo(root.filePath(fileField)).path());
}

void tst_Window::jobControlsFollowSelection_data()
{
    QTest::addColumn<QList<int>>("rowFlags");
    QTest::addColumn<QList<int>>("selectedRows");
    QTest::addColumn<bool>("enabled");

    const int plain = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const int busy = Qt::NoItemFlags;

    QTest::newRow("no row selected") << QList<int> {plain, plain} << QList<int> {} << false;
    QTest::newRow("busy row among plain rows")
        << QList<int> {plain, busy, plain} << QList<int> {0, 1, 2} << false;
    QTest::newRow("busy row left out of the selection")
        << QList<int> {plain, busy} << QList<int> {0} << true;
}

void tst_Window::jobControlsFollowSelection()
{
    QFETCH(QList<int>, rowFlags);
    QFETCH(QList<int>, selectedRows);
    QFETCH(bool, enabled);

    Zelkor window;
    auto *tree = deviceList(window);
    QList<QTreeWidgetItem *> rows;
    for (int index = 0; index < rowFlags.size(); ++index)
        rows.append(new QTreeWidgetItem(tree, {QStringLiteral("/dev/ttyS%1").arg(index)}));
    for (int index : selectedRows)
        rows[index]->setSelected(true);
    // A job takes the flags of rows that are already selected, then the buttons are set again.
    for (int index = 0; index < rows.size(); ++index)
        rows[index]->setFlags(Qt::ItemFlags(rowFlags[index]));
    window.selectionChanged();

    for (const QString &name : JobControls)
        QCOMPARE(child(window, name)->isEnabled(), enabled);
    QVERIFY(child(window, "filenameEdit")->isEnabled() && child(window, "VrefSpin")->isEnabled());
    // Clearing the selection tells the window by itself.
    tree->clearSelection();
    for (const QString &name : JobControls)
        QVERIFY(!child(window, name)->isEnabled());
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
