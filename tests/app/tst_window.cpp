#include "ComPort.h"
#include "DeviceThread.h"
#include "JobResultText.h"
#include "ProtocolTiming.h"
#include "RowState.h"
#include "TestFirmware.h"
#include "UpdateThread.h"
#include "WindowBench.h"
#include "crc16.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QtTest>

#include <chrono>
#include <functional>

using namespace WindowBench;

namespace {

using Clock = std::chrono::steady_clock;

// Jobs and the window's check, sanitizers included, take a few seconds at most.
constexpr int JobTimeoutMs = 30000;
const QString Prompt = QStringLiteral("Please select firmware *.cod file");
const QString Ready = QStringLiteral("Готов");
const QString Full = QStringLiteral("|||||||||| 100%");
const QString UpdateCancelled = QStringLiteral("Firmware update was cancelled");
const QString CalibrationCancelled = QStringLiteral("Calibration was cancelled");
const QStringList JobControls = {"updateBtn", "calbBtn", "calbAfterChk"};
const QSize FormSize(615, 292);

template<typename T = QWidget> T *child(const Zelkor &window, const char *name)
{
    return window.findChild<T *>(QLatin1String(name));
}

bool jobControlsEnabled(const Zelkor &window)
{
    return std::all_of(JobControls.cbegin(), JobControls.cend(), [&](const QString &name) {
        return window.findChild<QWidget *>(name)->isEnabled();
    });
}

int stateOf(const QTreeWidgetItem *row)
{
    return row->data(0, RowStateRole).toInt();
}

// A row as the rebuild tests see it; column 3 says who wrote it: "scan <n>" for the n-th scan.
struct Row
{
    int port;
    int state;
    QString status;
    QString builtBy = QStringLiteral("before");
    bool keepStatus = false;
    bool selected = false;
};
using Rows = QList<Row>;
// The ports whose device answered in one pass, and the ports it listed without one.
using Scans = QList<std::pair<QList<int>, QList<int>>>;

QStringList describe(const Rows &rows)
{
    QStringList lines;
    for (const Row &row : rows)
        lines << QStringLiteral("%1 %2 %3 %4 %5 %6")
                     .arg(row.port)
                     .arg(row.state)
                     .arg(row.status, row.builtBy)
                     .arg(row.keepStatus)
                     .arg(row.selected);
    lines.sort();
    return lines;
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

// A current meter. It answers the status question at once, which keeps scan passes short,
// and boots its firmware 250 ms after a calibration's final reset: later than the job's next
// frame after a reset, earlier than the end of the calibration's ticks at a tenth.
DeviceProfile meter(quint32 serialNumber = 100001, const QSet<QByteArray> &unanswered = {})
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.serialNumber = serialNumber;
    profile.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    profile.bootDelayMs = 250;
    profile.unanswered = unanswered;
    return profile;
}

enum class Job { Update, UpdateThenCalibrate, Calibrate };

void press(const Zelkor &window, Job job)
{
    QTest::mouseClick(button(window, job == Job::Calibrate ? "calbBtn" : "updateBtn"),
                      Qt::LeftButton);
}

void clickRow(const Zelkor &window, int port)
{
    QTreeWidget *tree = deviceList(window);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(row(window, port)).center());
}

// Requests that reached the device in the time span, ends included.
QStringList requestsBetween(const SimulatedDevice &device, Clock::time_point from,
                            Clock::time_point to)
{
    QStringList requests;
    for (const WireRecord &record : device.log().records()) {
        if (record.received >= from && record.received <= to)
            requests.append(record.request);
    }
    return requests;
}

// Everything the window showed while the test watched: each row's states and Status texts in
// order, and the status bar's messages. Some stand for a moment only; polling would miss them.
class RowHistory : public QObject
{
public:
    explicit RowHistory(const Zelkor &window)
    {
        QTreeWidget *tree = deviceList(window);
        connect(tree->model(), &QAbstractItemModel::dataChanged, this,
                [this, tree](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                    for (int index = topLeft.row(); index <= bottomRight.row(); ++index) {
                        if (const QTreeWidgetItem *item = tree->topLevelItem(index)) {
                            const int port = PortNameMap::portNumber(item->text(0));
                            note(states[port], stateOf(item));
                            note(statuses[port], item->text(4));
                        }
                    }
                });
        connect(child<QStatusBar>(window, "statusBar"), &QStatusBar::messageChanged, this,
                [this](const QString &message) {
                    if (!message.isEmpty())
                        messages.append(message);
                });
    }

    QHash<int, QList<int>> states;
    QHash<int, QStringList> statuses;
    QStringList messages;

private:
    template<typename T> static void note(QList<T> &shown, const T &value)
    {
        if (shown.isEmpty() || shown.last() != value)
            shown.append(value);
    }
};

// Runs `action` while answering the first modal dialog that comes up with `answer`; returns
// the dialog's text, empty when none came up. A file dialog gets the file name typed in, or is
// cancelled for an empty name; a question is answered with the button of that text, or the
// default for an empty one.
QString answering(const QString &answer, const std::function<void()> &action)
{
    QString asked;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll.stop();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            asked = dialog->directory().absolutePath();
            if (answer.isEmpty())
                return dialog->reject();
            // Typed as a user would; QFileDialog::selectFile() leaves a focused field alone.
            dialog->setDirectory(QFileInfo(answer).path());
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(QFileInfo(answer).fileName());
            // QFileDialog hides its override, which checks that the file exists.
            return static_cast<QDialog *>(dialog)->accept();
        }
        auto *box = qobject_cast<QMessageBox *>(modal);
        asked = box->text();
        for (QAbstractButton *choice : box->buttons()) {
            if (choice->text() == answer)
                return choice->click();
        }
        QTest::keyClick(box, Qt::Key_Return);
    });
    poll.start(20);
    action();
    return asked;
}

} // namespace

Q_DECLARE_METATYPE(Row)
Q_DECLARE_METATYPE(Job)

class tst_Window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void rebuild_data();
    void rebuild();
    void listKeepsTheUsersPlace();
    void windowFollowsDevices();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void settingsFileKept_data();
    void settingsFileKept();
    void fileChooser_data();
    void fileChooser();
    void jobControlsFollowSelection_data();
    void jobControlsFollowSelection();
    void twoDevicesAtOnce();
    void jobEnds_data();
    void jobEnds();
    void updateRepeated();
    void refusedJobs();
    void closingWithJobs_data();
    void closingWithJobs();
    void progressShown_data();
    void progressShown();

private:
    // The list is then fed by the test alone.
    static void stopScanning(Zelkor &window)
    {
        window.refreshTimer->stop();
        window.deviceThread->requestStop();
        window.deviceThread->wait();
        QCoreApplication::removePostedEvents(&window, QEvent::MetaCall);
    }
    static QList<UpdateThread *> workers(const Zelkor &window)
    {
        return window.runningJobs.values();
    }
    // The window on the bench's devices, a ten-line firmware file in its field, the rows given
    // selected.
    static Zelkor *openWithFirmware(Bench &bench, const QList<int> &selected)
    {
        Zelkor *window = bench.open(bench.file("firmware.cod", TestFirmware::tenLines()));
        for (int port : selected) {
            if (window)
                row(*window, port)->setSelected(true);
        }
        return window;
    }

    ScratchDirectory scratch;
};

void tst_Window::initTestCase()
{
    // Keeps the file dialog's own history out of the user's configuration.
    QStandardPaths::setTestModeEnabled(true);
    // No window may touch the machine's own serial ports.
    PortNameMap::instance().setDefaultTableEnabled(false);
}

void tst_Window::init()
{
    // Pauses and ticks at a tenth: an update takes about a second.
    ProtocolTiming::setScale(0.1);
    ProtocolTiming::setTimeoutScale(1.0);
}

void tst_Window::rebuild_data()
{
    QTest::addColumn<Rows>("before");
    QTest::addColumn<bool>("hold"); // the result comes while a job slot is at work
    QTest::addColumn<bool>("quiet"); // the result comes within the quiet period after a job event
    QTest::addColumn<Scans>("scans");
    QTest::addColumn<Rows>("after");
    QTest::addColumn<bool>("controlsAfter"); // before: the opposite, unless held

    const Row busy {1, RowBusy, "||| 30%", "before", true};
    const Row failed {1, RowFailed, UpdateCancelled, "before", true};
    const Row warned {2, RowWarned, CalibrationCancelled, "before", true};
    const Rows plain {{1, RowScanned, Ready}, {2, RowScanned, Ready}};
    const auto row = [](const char *name, const Rows &before, const Scans &scans, const Rows &after,
                        bool controlsAfter = false, bool hold = false, bool quiet = false) {
        QTest::newRow(name) << before << hold << quiet << scans << after << controlsAfter;
    };

    row("scanned rows follow the newest scan", plain, {{{1, 3}, {2}}, {{3, 1}, {}}},
        {scanned(1, 2), scanned(3, 2)});
    row("selected row found again is selected again",
        {{1, RowScanned, Ready, "before", false, true}, plain[1]}, {{{1, 2}, {}}, {{2, 1}, {}}},
        {scanned(1, 2, true), scanned(2, 2)}, true);
    row("busy row stays while its device answers, no second row", {busy}, {{{1, 2}, {}}},
        {busy, scanned(2, 1)});
    row("failed row stays while its device answers or its port is listed", {failed},
        {{{1}, {}}, {{}, {1}}}, {failed});
    row("failed row goes with its port and returns without its text", {failed}, {{}, {{1}, {}}},
        {scanned(1, 2)});
    row("warned text survives every scan that finds the device", {warned},
        {{{2}, {}}, {{1, 2}, {}}, {{2, 1}, {}}},
        {scanned(1, 3), {2, RowScanned, CalibrationCancelled, "scan 3", true}});
    row("done and warned rows go while their devices are silent, return plain",
        {{1, RowDone, Full}, warned}, {{{}, {1, 2}}, {{1, 2}, {}}}, {scanned(1, 2), scanned(2, 2)});
    row("selection of a busy row alone disables the controls",
        {{1, RowBusy, "", "before", false, true}, plain[1]}, {{{1, 2}, {}}},
        {{1, RowBusy, "", "before", true, true}, scanned(2, 1)});
    row("one usable row among the selected enables the controls",
        {{1, RowBusy, "", "before", false, true}, {2, RowScanned, Ready, "before", false, true}},
        {{{1, 2}, {}}}, {{1, RowBusy, "", "before", true, true}, scanned(2, 1, true)}, true);
    // Every row of this list would change under the scan, and so would the controls.
    const Rows jobRows = {plain[0], failed, warned, {4, RowDone, Ready}};
    const Scans changing = {{{1, 2, 4, 5}, {}}};
    row("result dropped while a job slot is at work", jobRows, changing, jobRows, true, true);
    row("result dropped within the quiet period after a job event", jobRows, changing, jobRows,
        true, false, true);
}

// add_items fed by the test alone: the window's own scanning is stopped.
void tst_Window::rebuild()
{
    QFETCH(Rows, before);
    QFETCH(bool, hold);
    QFETCH(bool, quiet);
    QFETCH(Scans, scans);
    QFETCH(Rows, after);
    QFETCH(bool, controlsAfter);

    Zelkor window;
    stopScanning(window);
    for (const Row &row : before) {
        auto *item =
            new QTreeWidgetItem(window.ui.treeWidget,
                                {PortNameMap::portName(row.port), "", "", row.builtBy, row.status});
        // Selected first: a job takes the flags of a row the user has selected.
        item->setSelected(row.selected);
        window.setRowState(item, row.state);
    }
    for (const QString &name : JobControls)
        window.findChild<QWidget *>(name)->setEnabled(controlsAfter == (hold || quiet));
    window.busy = hold;
    if (quiet)
        window.lastJobTime.start();

    for (int index = 0; index < scans.size(); ++index) {
        QStringList listed;
        QList<TDevices> devices;
        for (int port : scans[index].first + scans[index].second)
            listed.append(PortNameMap::portName(port));
        for (int port : scans[index].first)
            devices.append({PortNameMap::portName(port), "", "",
                            QStringLiteral("scan %1").arg(index + 1), Ready});
        window.add_items(listed, devices);
    }

    Rows shown;
    for (int index = 0; index < window.ui.treeWidget->topLevelItemCount(); ++index) {
        const QTreeWidgetItem *item = window.ui.treeWidget->topLevelItem(index);
        shown.append({PortNameMap::portNumber(item->text(0)), stateOf(item), item->text(4),
                      item->text(3), item->data(0, KeepStatusRole).toBool(), item->isSelected()});
    }
    QCOMPARE(describe(shown), describe(after));
    QCOMPARE(jobControlsEnabled(window), controlsAfter);
}

// What the user holds on to while the list is rebuilt every second: the keyboard cursor, the
// selection and the scroll position. Ports sort by number; each kind of row has an icon of its
// own.
void tst_Window::listKeepsTheUsersPlace()
{
    Zelkor window;
    stopScanning(window);
    window.show();
    QTreeWidget *tree = window.ui.treeWidget;
    QStringList listed;
    QList<TDevices> devices;
    for (int port = 40; port >= 1; --port) {
        listed.append(PortNameMap::portName(port));
        devices.append({listed.last(), "", "", "", Ready});
    }
    window.add_items(listed, devices);
    for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        tree->sortByColumn(LocationColumn, order);
        for (int index = 0; index < 40; ++index)
            QCOMPARE(tree->topLevelItem(index)->text(0),
                     PortNameMap::portName(order == Qt::AscendingOrder ? index + 1 : 40 - index));
    }

    tree->setCurrentItem(row(window, 20));
    row(window, 22)->setSelected(true);
    QVERIFY(tree->verticalScrollBar()->maximum() >= 5);
    tree->verticalScrollBar()->setValue(5);
    window.add_items(listed, devices);
    QCOMPARE(tree->currentItem()->text(0), PortNameMap::portName(20));
    QCOMPARE(tree->selectedItems(), (QList<QTreeWidgetItem *> {row(window, 22), row(window, 20)}));
    QCOMPARE(tree->verticalScrollBar()->value(), 5);

    QSet<qint64> kinds;
    for (const auto &[port, state] :
         {std::pair {1, RowScanned}, {2, RowBusy}, {3, RowDone}, {4, RowFailed}, {5, RowWarned}}) {
        window.setRowState(row(window, port), state);
        kinds.insert(row(window, port)->icon(StatusColumn).cacheKey());
    }
    QCOMPARE(kinds.size(), 4);
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

    QStringList expected = {PortNameMap::portName(11) + " | 100001 | DL-METER | 1.2.345 | " + Ready,
                            PortNameMap::portName(12) + " | n/a | n/a | Нет прошивки | " + Ready,
                            PortNameMap::portName(13) + " | n/a | n/a | Нет прошивки | режим ISP"};
    QTRY_COMPARE_WITH_TIMEOUT(rowTexts(deviceList(window)), expected, ListTimeoutMs);
    QCOMPARE(row(window, 12)->toolTip(0), bench.device(2)->portPath());

    // The selected row is rebuilt by every pass and must come back selected.
    row(window, 11)->setSelected(true);
    bench.device(2)->unplug();
    expected.removeAt(1);
    QTRY_COMPARE_WITH_TIMEOUT(rowTexts(deviceList(window)), expected, ListTimeoutMs);
    QVERIFY(row(window, 11)->isSelected());
    QVERIFY(jobControlsEnabled(window));

    // As the simulator does when it stops: the window must not write the entry back.
    QSettings(QStringLiteral("settings.ini"), QSettings::IniFormat).remove("Ports/COM12");
    const QVariantMap ports = ScratchDirectory::storedSettings("Ports");
    bench.close();
    QCOMPARE(ScratchDirectory::storedSettings("Ports"), ports);
}

void tst_Window::settingsRoundTrip_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<bool>("userActs"); // types a file name, checks the box, resizes the window
    QTest::addColumn<QVariantMap>("saved");
    QTest::addColumn<QString>("fileFieldNextTime");

    const QString typed = QStringLiteral("typed name.cod");
    QTest::newRow("first start untouched")
        << QVariantMap() << false
        << QVariantMap {{"filename", Prompt}, {"open_path", ""}, {"calb_after", false}} << Prompt;
    // The stored name stands only with a folder.
    // The prompt in the field is never saved over the real name.
    QTest::newRow("stored name without a folder")
        << QVariantMap {{"filename", "/srv/fw/meter.cod"}} << false
        << QVariantMap {{"filename", "/srv/fw/meter.cod"}, {"open_path", ""}} << Prompt;
    QTest::newRow("typed name with a folder")
        << QVariantMap {{"open_path", "/srv/fw"}, {"filename", "/srv/fw/old.cod"}} << true
        << QVariantMap {{"filename", typed}, {"open_path", "/srv/fw"}} << typed;
    QTest::newRow("unusable geometry")
        << QVariantMap {{"window", QByteArray("\x01\xd9\xd0\xcb garbage")}} << false
        << QVariantMap() << Prompt;
}

void tst_Window::settingsRoundTrip()
{
    QFETCH(QVariantMap, before);
    QFETCH(bool, userActs);
    QFETCH(QVariantMap, saved);
    QFETCH(QString, fileFieldNextTime);

    ScratchDirectory fresh;
    ScratchDirectory::storeSettings(before);
    const QSize resized(700, 400);
    {
        Zelkor window;
        QCOMPARE(window.size(), FormSize);
        if (userActs) {
            child<QLineEdit>(window, "filenameEdit")->selectAll();
            QTest::keyClicks(child(window, "filenameEdit"), "typed name.cod");
            // Checked while a missing selection keeps it disabled.
            child<QCheckBox>(window, "calbAfterChk")->setChecked(true);
            window.resize(resized);
        }
    }
    const QVariantMap stored = ScratchDirectory::storedSettings();
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QCOMPARE(stored.value(it.key()).toString(), it.value().toString());

    Zelkor nextTime;
    QCOMPARE(child<QLineEdit>(nextTime, "filenameEdit")->text(), fileFieldNextTime);
    QCOMPARE(child<QCheckBox>(nextTime, "calbAfterChk")->isChecked(), userActs);
    // Nothing is selected yet.
    for (const QString &name : JobControls)
        QVERIFY2(!nextTime.findChild<QWidget *>(name)->isEnabled(), qPrintable(name));
    QCOMPARE(nextTime.size(), userActs ? resized : FormSize);
}

// Saving changes only the window's own lines of settings.ini: comments, other groups, their
// order and values QSettings would write back differently stay byte for byte. A file that is not
// INI is left as it was.
void tst_Window::settingsFileKept_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArrayList>("kept");
    const QByteArray others = "; bench B\n[Ports]\nCOM5=/dev/serial/by-id/usb-FTDI;A10\n\n"
                              "[Zeta]\npath=C:\\Users\\bench\\fw\n";
    QTest::newRow("group added after the others") << others << QByteArrayList {others};
    QTest::newRow("group among the others")
        << "[Program_settings]\n; mine\nfilename=old.cod\nextra=1\n" + others
        << QByteArrayList {"[Program_settings]\n; mine\n", "extra=1\n", others};
    QTest::newRow("not INI") << QByteArray("Ports are on the bench PC\n")
                             << QByteArrayList {"Ports are on the bench PC\n"};
}

void tst_Window::settingsFileKept()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArrayList, kept);
    ScratchDirectory fresh;
    QFile file(QStringLiteral("settings.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    file.close();
    {
        Zelkor window;
        child<QLineEdit>(window, "filenameEdit")->setText(QStringLiteral("new.cod"));
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    for (const QByteArray &part : kept)
        QVERIFY2(after.contains(part), after.constData());
    const bool ini = before.contains('=');
    QCOMPARE(after == before, !ini);
    if (ini)
        QCOMPARE(QSettings(file.fileName(), QSettings::IniFormat)
                     .value(QStringLiteral("Program_settings/filename")),
                 QVariant(QStringLiteral("new.cod")));
}

void tst_Window::fileChooser_data()
{
    // Files relative to the scratch directory; the last choice was "firmware/meter.cod".
    QTest::addColumn<QString>("input"); // a mouse button pressed in the field, a release, a key
    QTest::addColumn<QString>("chosenFile"); // empty: cancel
    QTest::addColumn<QString>("fileField");

    const QString last = QStringLiteral("firmware/meter.cod");
    const QString other = QStringLiteral("new release/meter v2.cod");
    QTest::newRow("left press, cancel keeps the last choice") << "left"
                                                              << "" << last;
    QTest::newRow("right press, choose in another folder") << "right" << other << other;
    QTest::newRow("release") << "release"
                             << "" << last;
    QTest::newRow("typing") << "x"
                            << "" << last + "x";
}

// Any press into the file field opens the chooser, in the folder of the last choice, instead of
// reaching the field; other input passes. The folder stored is the one of the file chosen last.
void tst_Window::fileChooser()
{
    QFETCH(QString, input);
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
        const QString startFolder =
            answering(chosenFile.isEmpty() ? "" : root.filePath(chosenFile), [&] {
                if (input.size() == 1)
                    QTest::keyClicks(field, input);
                else if (input == "release")
                    QTest::mouseRelease(field, Qt::LeftButton, {}, QPoint(3, 5));
                else
                    QTest::mousePress(field, input == "left" ? Qt::LeftButton : Qt::RightButton, {},
                                      QPoint(3, 5));
            });
        const bool pressed = input == "left" || input == "right";
        QCOMPARE(startFolder, pressed ? root.filePath("firmware") : QString());
        // A press never reaches the field: the text cursor stays at the end of the text.
        QCOMPARE(field->cursorPosition(), field->text().size());
        QCOMPARE(field->text(), root.filePath(fileField));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(), QPointF(), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QVERIFY(!window.eventFilter(child(window, "VrefSpin"), &press));
    }
    QCOMPARE(ScratchDirectory::storedSettings().value("open_path").toString(),
             QFileInfo(root.filePath(fileField)).path());
}

void tst_Window::jobControlsFollowSelection_data()
{
    QTest::addColumn<QList<int>>("rowFlags");
    QTest::addColumn<QList<int>>("selectedRows");
    QTest::addColumn<bool>("enabled");

    const int plain = Qt::ItemIsSelectable | Qt::ItemIsEnabled, busy = Qt::NoItemFlags;
    QTest::newRow("no row selected") << QList<int> {plain, plain} << QList<int> {} << false;
    QTest::newRow("all plain rows") << QList<int> {plain, plain} << QList<int> {0, 1} << true;
    QTest::newRow("busy row among plain rows")
        << QList<int> {plain, busy, plain} << QList<int> {0, 1, 2} << false;
    QTest::newRow("selectable row that is not enabled")
        << QList<int> {plain, int(Qt::ItemIsSelectable)} << QList<int> {0, 1} << false;
    QTest::newRow("busy row left out of the selection")
        << QList<int> {plain, busy} << QList<int> {0} << true;
}

void tst_Window::jobControlsFollowSelection()
{
    QFETCH(QList<int>, rowFlags);
    QFETCH(QList<int>, selectedRows);
    QFETCH(bool, enabled);

    Zelkor window;
    QTreeWidget *tree = deviceList(window);
    for (int index = 0; index < rowFlags.size(); ++index)
        new QTreeWidgetItem(tree, {PortNameMap::portName(index + 1)});
    for (int index : selectedRows)
        tree->topLevelItem(index)->setSelected(true);
    // A job takes the flags of rows that are already selected, then the buttons are set again.
    for (int index = 0; index < rowFlags.size(); ++index)
        tree->topLevelItem(index)->setFlags(Qt::ItemFlags(rowFlags[index]));
    window.selectionChanged();
    for (const QString &name : JobControls)
        QCOMPARE(window.findChild<QWidget *>(name)->isEnabled(), enabled);
    QVERIFY(child(window, "filenameEdit")->isEnabled() && child(window, "VrefSpin")->isEnabled());
    // Clearing the selection tells the window by itself.
    tree->clearSelection();
    for (const QString &name : JobControls)
        QVERIFY(!window.findChild<QWidget *>(name)->isEnabled());
}

// Two updates side by side while the scan goes on over a third device. The first job takes its
// port while the scan is in the middle of an exchange with the device.
// Two updates side by side while the scan goes on over a third device. The first job takes its
// port while the scan is in the middle of an exchange with the device.
void tst_Window::twoDevicesAtOnce()
{
    // Long enough for several scan passes while the jobs run.
    ProtocolTiming::setScale(0.3);
    Bench bench;
    DeviceProfile slow = meter(100001);
    // Slower than any exchange of the job, quicker than the scan's time-outs.
    slow.replyLatencyMs = 40;
    QVERIFY(bench.add(1, slow) && bench.add(2, meter(100002)) && bench.add(3, meter(100003)));
    Zelkor *window = openWithFirmware(bench, {1, 2});
    QVERIFY(window);
    RowHistory history(*window);

    // Ticks start the passes: the event loop must run while the test waits for the next one.
    const int logged = bench.device(1)->log().size();
    QVERIFY(QTest::qWaitFor([&] { return bench.device(1)->log().size() > logged; }, ListTimeoutMs));
    const Clock::time_point pressed = Clock::now();
    press(*window, Job::Update);
    QCOMPARE(workers(*window).size(), 2);
    QVERIFY(!jobControlsEnabled(*window));

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    const Clock::time_point ended = Clock::now();
    QCOMPARE(history.messages, QStringList());
    for (int port = 1; port <= 2; ++port) {
        QCOMPARE(history.states[port].mid(0, 2), (QList<int> {RowBusy, RowDone}));
        QVERIFY(history.statuses[port].contains("|||||||| 85%"));
        QVERIFY(history.statuses[port].contains(Full));
        // From the job's first frame to the window's check the port heard nothing but the
        // job's loader frames, the names in capitals.
        const QStringList requests = requestsBetween(*bench.device(port), pressed, ended);
        const qsizetype first = requests.indexOf("RESET"), check = requests.indexOf("1g", first);
        QVERIFY(first >= 0 && check > first);
        for (const QString &request : requests.mid(first, check - first))
            QVERIFY2(request.toUpper() == request, qPrintable(request));
    }
    // The scan went on over the third device.
    QVERIFY(requestsBetween(*bench.device(3), pressed, ended).count("1g") >= 2);
    // The next accepted scan rebuilds a done row, with the version the simulated loader reports
    // after booting the job's firmware.
    QTRY_COMPARE_WITH_TIMEOUT(row(*window, 1) ? row(*window, 1)->text(3) : QString(), "3.1.4",
                              ListTimeoutMs);
    QCOMPARE(stateOf(row(*window, 1)), int(RowScanned));
}

void tst_Window::jobEnds_data()
{
    QTest::addColumn<Job>("job");
    QTest::addColumn<DeviceProfile>("profile");
    QTest::addColumn<QList<DeviceFault>>("faults");
    QTest::addColumn<QString>("message"); // in the status bar; empty: none
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("state");
    // Status questions the port heard before the job was over: the window's check.
    QTest::addColumn<int>("checks");

    const QList<DeviceFault> none;
    QTest::newRow("update then calibrate")
        << Job::UpdateThenCalibrate << meter() << none << "" << Full << int(RowScanned) << 1;
    // A calibration alone leaves the device usable, its row warned.
    QTest::newRow("calibration fails")
        << Job::Calibrate << meter(100001, {"save"}) << none << "Can't execute command SAVE"
        << CalibrationCancelled << int(RowWarned) << 0;
    // The new firmware answers, yet the job failed: the row stays a failure.
    QTest::newRow("update done, calibration after it fails")
        << Job::UpdateThenCalibrate << meter(100001, {"save"}) << none
        << "Can't execute command SAVE" << CalibrationCancelled << int(RowWarned) << 1;
    QTest::newRow("unplugged after the update")
        << Job::Update << meter()
        << QList<DeviceFault> {DeviceFault::on("RESET", DeviceFault::Unplug, 1)} << ""
        << "Please reconnect device" << int(RowFailed) << 0;
    QTest::newRow("update fails") << Job::Update << meter()
                                  << QList<DeviceFault> {DeviceFault::on(
                                         "CONNECT", DeviceFault::BadStatus, 0, 5)}
                                  << "Can't execute command CONNECT" << UpdateCancelled
                                  << int(RowFailed) << 0;
}

// A real job on one device, to its end: what the status bar said, the row's text and state,
// whether the window checked the device afterwards.
void tst_Window::jobEnds()
{
    QFETCH(Job, job);
    QFETCH(DeviceProfile, profile);
    QFETCH(QList<DeviceFault>, faults);
    QFETCH(QString, message);
    QFETCH(QString, status);
    QFETCH(int, state);
    QFETCH(int, checks);

    Bench bench;
    SimulatedDevice *device = bench.add(1, profile, faults);
    QVERIFY(device);
    Zelkor *window = openWithFirmware(bench, {1});
    QVERIFY(window);
    RowHistory history(*window);
    child<QCheckBox>(*window, "calbAfterChk")->setChecked(job == Job::UpdateThenCalibrate);

    const Clock::time_point pressed = Clock::now();
    press(*window, job);
    QCOMPARE(workers(*window).size(), 1);
    // The pressed button is disabled: the focus must not pass on to the file field, where the
    // next key would replace the whole selected path.
    QCOMPARE(window->focusWidget(), deviceList(*window));
    QVERIFY(!child<QLineEdit>(*window, "filenameEdit")->hasSelectedText());
    // The worker goes at the very end of the job, before the port is handed back.
    Clock::time_point jobOver;
    connect(workers(*window).first(), &QObject::destroyed, this,
            [&jobOver] { jobOver = Clock::now(); });

    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    const QString port = PortNameMap::portName(1);
    QCOMPARE(history.messages,
             message.isEmpty() ? QStringList() : QStringList {port + ": " + message});
    QCOMPARE(row(*window, 1)->text(4), status);
    QCOMPARE(stateOf(row(*window, 1)), state);
    QCOMPARE(requestsBetween(*device, pressed, jobOver).count("1g"), checks);
    // The reason of a failure stays with its row, through the scans that rebuild it.
    if (!message.isEmpty()) {
        QTest::qWait(2500);
        QCOMPARE(row(*window, 1)->text(4), status);
        QVERIFY(row(*window, 1)->toolTip(4).contains(message));
    }
    // A done row can take no second job; any other row is usable again.
    QCOMPARE(jobControlsEnabled(*window), state != RowDone);
}

void tst_Window::updateRepeated()
{
    Bench bench;
    SimulatedDevice *device = bench.add(1, meter());
    QVERIFY(device);
    Zelkor *window = openWithFirmware(bench, {1});
    QVERIFY(window);
    RowHistory history(*window);

    press(*window, Job::Update);
    QCOMPARE(workers(*window).size(), 1);
    UpdateThread *worker = workers(*window).first();
    int disposed = 0;
    connect(worker, &QObject::destroyed, this, [&disposed] { ++disposed; });
    // The first check after the update finds the device asking for firmware: the 8-byte
    // answer to the status question.
    QByteArray asks("\0\0\0\0nn", 6);
    const quint16 sum = crc16(asks.constData(), unsigned(asks.size()));
    DeviceFault fault = DeviceFault::on("1g", DeviceFault::Garbage);
    fault.payload = asks.append(char(sum & 0xff)).append(char(sum >> 8));
    device->addFault(fault);

    const QString again = QStringLiteral("Error. Trying to update again");
    QTRY_VERIFY_WITH_TIMEOUT(history.statuses[1].contains(again), JobTimeoutMs);
    QCOMPARE(workers(*window), QList<UpdateThread *> {worker});
    QCOMPARE(disposed, 0);
    QTRY_VERIFY_WITH_TIMEOUT(workers(*window).isEmpty(), JobTimeoutMs);
    QCOMPARE(disposed, 1);
    QCOMPARE(stateOf(row(*window, 1)), int(RowDone));
    // The whole update ran twice, each time followed by the window's check.
    QCOMPARE(device->log().requests().count("DISCONNECT"), 2);
    const QStringList afterRepeat = history.statuses[1].mid(history.statuses[1].indexOf(again));
    QVERIFY(afterRepeat.contains(" 8%"));
    QCOMPARE(afterRepeat.last(), Full);
    QCOMPARE(history.states[1].mid(0, 2), (QList<int> {RowBusy, RowDone}));
}

void tst_Window::refusedJobs()
{
    Bench bench;
    QVERIFY(bench.add(1, meter()));
    Zelkor *window = bench.open();
    QVERIFY(window);
    RowHistory history(*window);
    row(*window, 1)->setSelected(true);
    press(*window, Job::Update);
    QVERIFY(jobControlsEnabled(*window));
    QCOMPARE(stateOf(row(*window, 1)), int(RowScanned));

    child<QLineEdit>(*window, "filenameEdit")
        ->setText(bench.file("firmware.cod", TestFirmware::tenLines()));
    // As a pass that no longer finds the device would deliver it.
    window->add_items({}, {});
    QVERIFY(!row(*window, 1) && jobControlsEnabled(*window));
    press(*window, Job::Update);
    QVERIFY(!jobControlsEnabled(*window));
    child<QStatusBar>(*window, "statusBar")->clearMessage();
    window->Calibrate();
    QCOMPARE(history.messages,
             (QStringList {"Firmware file not found", "Device is not selected",
                           "Device is not selected"}));
    QVERIFY(workers(*window).isEmpty());
}

void tst_Window::closingWithJobs_data()
{
    QTest::addColumn<bool>("close"); // false: the window is destroyed without being closed
    QTest::newRow("closed") << true;
    QTest::newRow("destroyed") << false;
}

// An update runs on the first device when the user selects the second one and presses
// "Calibrate": that row alone gets a job. The window goes while both jobs wait in pauses that
// last for days.
void tst_Window::closingWithJobs()
{
    QFETCH(bool, close);

    Bench bench;
    QVERIFY(bench.add(1, meter(100001)) && bench.add(2, meter(100002)));
    Zelkor *window = openWithFirmware(bench, {1});
    QVERIFY(window);
    ProtocolTiming::setScale(1e6);

    press(*window, Job::Update);
    QCOMPARE(workers(*window).size(), 1);
    UpdateThread *first = workers(*window).first();
    clickRow(*window, 2);
    // The busy row still calls itself selected, which disables the controls; the next rebuild
    // counts only usable rows and enables them.
    QVERIFY(!jobControlsEnabled(*window));
    QTRY_VERIFY_WITH_TIMEOUT(jobControlsEnabled(*window), ListTimeoutMs);
    press(*window, Job::Calibrate);
    QCOMPARE(workers(*window).size(), 2);
    QVERIFY(workers(*window).contains(first));
    // The request after which each job waits.
    const QStringList waitsAfter {"RESET", "calb"};
    for (int port = 1; port <= 2; ++port) {
        QTRY_VERIFY_WITH_TIMEOUT(
            bench.device(port)->log().requests().contains(waitsAfter[port - 1]), JobTimeoutMs);
    }

    if (close) {
        QCOMPARE(answering("", [window] { window->close(); }),
                 "2 devices are still being updated or calibrated.");
        QVERIFY(window->isVisible());
        QCOMPARE(workers(*window).size(), 2);
        QVERIFY(!answering("Quit anyway", [window] { window->close(); }).isEmpty());
        QVERIFY(!window->isVisible());
        QVERIFY(workers(*window).isEmpty());
    }
    QCOMPARE(answering("Quit anyway", [&bench] { bench.close(); }), QString());

    // The jobs ended where they were: no device heard another request, and each port is
    // free again.
    QTest::qWait(200);
    for (int port = 1; port <= 2; ++port) {
        const QStringList requests = bench.device(port)->log().requests();
        const QString last = waitsAfter[port - 1];
        QCOMPARE(requests.mid(requests.lastIndexOf(last)), QStringList {last});
        QVERIFY(!bench.device(port)->state().saved);
        ComPort other;
        QVERIFY(other.open(SimulatedPorts::portNameBytes(port).constData(), false));
    }
    QVERIFY(ScratchDirectory::storedSettings().contains("window"));
}

void tst_Window::progressShown_data()
{
    QTest::addColumn<int>("percents");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("quietPeriod"); // the scan leaves the list alone for a while

    QTest::newRow("neither percents nor a step") << 101 << int(RowBusy) << false;
    QTest::newRow("calibration step") << 205 << int(RowBusy) << false;
    QTest::newRow("update failure") << -4 << int(RowFailed) << false;
    QTest::newRow("calibration failure") << -206 << int(RowWarned) << true;
    // Outside the table, beyond the calibration codes: the state only.
    QTest::newRow("-210") << -210 << int(RowWarned) << true;
}

// No worker reports most of these; the texts come from the code -> text table, tested on its own.
void tst_Window::progressShown()
{
    QFETCH(int, percents);
    QFETCH(int, state);
    QFETCH(bool, quietPeriod);

    Bench bench;
    Zelkor *window = bench.open();
    QVERIFY(window);
    RowHistory history(*window);
    // On a port no simulated device uses.
    const QString location = PortNameMap::portName(9);
    auto *item = new QTreeWidgetItem(deviceList(*window), {location, "", "", "", "before"});
    window->setRowState(item, RowBusy);

    window->updateProgress(location, percents);
    const QString message = JobResultText::message(percents);
    const QString shown =
        percents < 0 ? JobResultText::rowText(percents) : JobResultText::progress(percents);
    QCOMPARE(item->text(4), shown.isNull() ? QStringLiteral("before") : shown);
    QCOMPARE(stateOf(item), state);
    QCOMPARE(history.messages,
             message.isEmpty() ? QStringList() : QStringList {location + ": " + message});
    QCOMPARE(window->withinQuietPeriod(), quietPeriod);
    QVERIFY(!window->busy);
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
