#include "ComPort.h"
#include "DeviceThread.h"
#include "FullFileSystem.h"
#include "JobController.h"
#include "JobHistoryModel.h"
#include "JobHistoryPanel.h"
#include "JobLogging.h"
#include "LogFile.h"
#include "LogFileWriter.h"
#include "ProtocolTiming.h"
#include "RowState.h"
#include "ScanLogging.h"
#include "SecondOpener.h"
#include "TestFirmware.h"
#include "TextContrast.h"
#include "WindowBench.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <tuple>

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

// What a folder does to the files written there.
enum class Trouble { None, FullDisk, Link };

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

// Requests that reached the device in the time span, ends included; the scan's first request
// came earlier. A part of the log is copied under its lock, whereas the whole log would be shared
// with the device's thread, which goes on appending to it.
QStringList requestsBetween(const SimulatedDevice &device, Clock::time_point from,
                            Clock::time_point to)
{
    QStringList requests;
    for (const WireRecord &record : device.log().recordsFrom(1)) {
        if (record.received >= from && record.received <= to)
            requests.append(record.request);
    }
    return requests;
}

JobController *jobsOf(const Zelkor &window)
{
    return window.findChild<JobController *>();
}

// Everything the window showed while the test watched: each row's states and Status texts in
// order, and the status bar's messages; and when each port's job ended. Some stand for a
// moment only; polling would miss them.
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
        connect(jobsOf(window), &JobController::finished, this, [this](const JobRecord &record) {
            ended[PortNameMap::portNumber(record.port)] = Clock::now();
        });
        connect(child<QStatusBar>(window, "statusBar"), &QStatusBar::messageChanged, this,
                [this](const QString &message) {
                    if (!message.isEmpty())
                        messages.append(message);
                });
    }

    bool jobOver(int port) const { return ended.contains(port); }

    QHash<int, QList<int>> states;
    QHash<int, QStringList> statuses;
    QHash<int, Clock::time_point> ended;
    QStringList messages;

private:
    template<typename T> static void note(QList<T> &shown, const T &value)
    {
        if (shown.isEmpty() || shown.last() != value)
            shown.append(value);
    }
};

// Runs `action` while answering the first modal dialog that comes up with `answer`; returns
// the dialog's text, empty when none came up. The question is answered with the button of that
// text, or the default for an empty one.
QString answering(const QString &answer, const std::function<void()> &action)
{
    QString asked;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll.stop();
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

Q_DECLARE_METATYPE(Job)

class tst_Window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void listKeepsTheUsersPlace();
    void firstView();
    void readableRows_data();
    void readableRows();
    void keyboard();
    void briefRefusalKeepsSelection();
    void refusedPorts_data();
    void refusedPorts();
    void heldPortFreed();
    void logRotation_data();
    void logRotation();
    void logSharedByTwo();
    void logKeptWhole();
    void logLeavesPassesOut_data();
    void logLeavesPassesOut();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void settingsFileKept_data();
    void settingsFileKept();
    void settingsBehindSubgroup();
    void twoDevicesAtOnce();
    void jobEnds_data();
    void jobEnds();
    void historyOutlivesRows();
    void closingWithJobs_data();
    void closingWithJobs();

private:
    // The list is then fed by the test alone.
    static void stopScanning(Zelkor &window)
    {
        window.refreshTimer->stop();
        window.deviceThread->requestStop();
        window.deviceThread->wait();
        QCoreApplication::removePostedEvents(&window, QEvent::MetaCall);
    }
    // The messages in the working directory's program log, without their time stamps.
    static QStringList logged(const QString &suffix = QString())
    {
        QFile file(LogFile::DefaultName + suffix);
        QStringList messages;
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray &line : file.readAll().trimmed().split('\n'))
                messages << QString::fromUtf8(line.mid(line.indexOf(' ') + 1));
        return messages;
    }
    // The window on the bench's devices, a ten-line firmware file in its field, the rows given
    // selected.
    static Zelkor *openWithFirmware(Bench &bench, const QList<int> &selected,
                                    const QByteArray &firmware = TestFirmware::tenLines())
    {
        Zelkor *window = bench.open(bench.file("firmware.cod", firmware));
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
    // No window may touch the machine's own serial ports.
    PortNameMap::instance().setDefaultTableEnabled(false);
}

void tst_Window::init()
{
    // Pauses and ticks at a tenth: an update takes about a second.
    ProtocolTiming::setScale(0.1);
    ProtocolTiming::setTimeoutScale(1.0);
}

// What the user holds on to while the list is rebuilt every second: the keyboard cursor, the
// selection and the scroll position. Ports sort by number; each kind of row has an icon of its
// own; a job's row outlasts the scans that find its device.
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

    // The scan meets the jobs' rows: the devices on COM3 and COM5 are silent, COM4 is gone.
    // Nothing changes while a job slot is at work or within the quiet period after a job event.
    window.setRowState(row(window, 6), RowFailed);
    row(window, 6)->setText(StatusColumn, UpdateCancelled);
    window.setRowState(row(window, 7), RowWarned);
    row(window, 7)->setText(StatusColumn, CalibrationCancelled);
    listed.removeOne(PortNameMap::portName(4));
    devices.remove(40 - 5, 3);
    const auto shown = [&] {
        QStringList rows {QString::number(tree->topLevelItemCount())};
        for (int port = 1; port <= 7; ++port) {
            const QTreeWidgetItem *item = row(window, port);
            rows << (item ? QStringLiteral("%1 ").arg(stateOf(item)) + item->text(StatusColumn)
                          : QString());
        }
        return rows;
    };
    const QStringList before = shown();
    window.busy = true;
    window.add_items(listed, devices);
    QCOMPARE(shown(), before);
    window.busy = false;
    window.lastJobTime.start();
    window.add_items(listed, devices);
    QCOMPARE(shown(), before);
    window.lastJobTime.invalidate();
    window.add_items(listed, devices);
    const auto state = [](int value, const QString &text) {
        return QStringLiteral("%1 ").arg(value) + text;
    };
    QCOMPARE(
        shown(),
        (QStringList {"37", state(RowScanned, Ready), state(RowBusy, Ready), "", "", "",
                      state(RowFailed, UpdateCancelled), state(RowScanned, CalibrationCancelled)}));
}

// At first start the list shows a bench of six devices, sorted by port, each column whole, the
// device path beside them, and a device's mode in its icon, sharp on a screen scaled twice.
void tst_Window::firstView()
{
    ScratchDirectory fresh;
    Zelkor window;
    stopScanning(window);
    const QString remote = QStringLiteral("rfc2217://bench-b:4001");
    PortNameMap::instance().setPath(PortNameMap::portName(6), remote);
    const auto cleanUp = qScopeGuard([] { PortNameMap::instance().clear(); });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QList<TDevices> devices;
    for (int port = 6; port >= 1; --port) {
        const auto mode = port == 5 ? DeviceFields::Mode::Loader
            : port == 4            ? DeviceFields::Mode::Isp
                                   : DeviceFields::Mode::Firmware;
        devices.append(TDevices::of(PortNameMap::portName(port), {mode, 100000u + port, {}, {}}));
    }
    window.add_items({}, devices);
    QTreeWidget *tree = window.ui.treeWidget;
    QCOMPARE(tree->topLevelItem(0)->text(LocationColumn), PortNameMap::portName(1));
    QCOMPARE(tree->verticalScrollBar()->maximum(), 0);
    QVERIFY(tree->header()->sectionViewportPosition(DevicePathColumn)
                + tree->header()->sectionSizeHint(DevicePathColumn)
            <= tree->viewport()->width());
    QCOMPARE(row(window, 6)->text(DevicePathColumn), remote);
    QSet<qint64> icons;
    for (int port : {3, 4, 5}) {
        const QIcon icon = row(window, port)->icon(StatusColumn);
        icons.insert(icon.cacheKey());
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    }
    QCOMPARE(icons.size(), 3);
}

void tst_Window::readableRows_data()
{
    QTest::addColumn<QPalette>("palette");
    QTest::newRow("style's own") << QPalette();
    QPalette dark(QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x60, 0x60, 0x60));
    QTest::newRow("dark") << dark;
}

// Rows that take no job are dimmed, yet their serial number and reason can be read: at least the
// contrast asked of normal text.
void tst_Window::readableRows()
{
    QFETCH(QPalette, palette);
    Zelkor window;
    stopScanning(window);
    window.ui.treeWidget->setPalette(palette);
    const QString com1 = PortNameMap::portName(1);
    window.add_items({com1}, {{com1, "100001", "DL-METER", "1.2.345", Ready}},
                     {{PortNameMap::portName(2), "/dev/ttyUSB1", {PortError::Busy, {}}, "cutecom", 7}});
    window.setRowState(row(window, 1), RowBusy);
    const QColor base = palette.color(QPalette::Base);
    for (const auto &[port, column] : {std::pair {1, SerialColumn}, {2, StatusColumn}}) {
        QTreeWidgetItem *dimmed = row(window, port);
        QVERIFY(!dimmed->flags().testFlag(Qt::ItemIsSelectable));
        const QColor text = dimmed->foreground(column).color();
        QVERIFY2(TextContrast::ratio(text, base) >= TextContrast::Readable,
                 qPrintable(QStringLiteral("%1 on %2").arg(text.name(), base.name())));
        QVERIFY(text != palette.color(QPalette::Text));
    }
}

// Tab follows the layout; the file field reached by Tab keeps its path from a stray key; Enter
// and the mnemonic work the job buttons.
void tst_Window::keyboard()
{
    ScratchDirectory fresh;
    Zelkor window;
    stopScanning(window);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QString com1 = PortNameMap::portName(1);
    window.add_items({com1}, {{com1, "100001", "DL-METER", "1.2.345", Ready}});
    row(window, 1)->setSelected(true);
    QVERIFY(jobControlsEnabled(window));
    window.ui.treeWidget->setFocus();
    QStringList order;
    for (int stop = 0; stop < 7; ++stop) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList {"filenameEdit", "browseBtn", "updateBtn", "calbAfterChk",
                                  "VrefSpin", "calbBtn", "historyView"}));

    window.ui.treeWidget->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(window.ui.filenameEdit, Qt::Key_Space);
    QCOMPARE(window.ui.filenameEdit->text(), Prompt + ' ');

    QStatusBar *status = window.ui.statusBar;
    window.ui.updateBtn->setFocus();
    QTest::keyClick(window.ui.updateBtn, Qt::Key_Return);
    QCOMPARE(status->currentMessage(), "Firmware file not found: " + Prompt + ' ');
    status->clearMessage();
    window.ui.treeWidget->setFocus();
    QTest::keyClick(&window, Qt::Key_U, Qt::AltModifier);
    // A mnemonic shows the button pressed for a moment before it clicks.
    QTRY_VERIFY(status->currentMessage().startsWith("Firmware file not found"));
}

// A port another program probes for a moment (zelkor-cli list, say) keeps its row selected, and
// a job started meanwhile says that it could not start there instead of leaving it out.
void tst_Window::briefRefusalKeepsSelection()
{
    ScratchDirectory fresh;
    Zelkor window;
    stopScanning(window);
    const QTemporaryDir files;
    window.ui.filenameEdit->setText(TestFirmware::write(files, TestFirmware::tenLines()));
    const QString com1 = PortNameMap::portName(1), com2 = PortNameMap::portName(2);
    const QList<TDevices> both {{com1, "100001", "DL-METER", "1.2.345", Ready},
                                {com2, "100002", "DL-METER", "1.2.345", Ready}};
    window.add_items({com1, com2}, both);
    row(window, 1)->setSelected(true);
    row(window, 2)->setSelected(true);
    const PortRefusal probed {com2, "/dev/ttyUSB1", {PortError::Busy, {}}, "zelkor-cli", 4242};
    window.add_items({com1}, {both.first()}, {probed});
    QVERIFY(window.ui.treeWidget->selectionModel()->isSelected(
        window.ui.treeWidget->indexFromItem(row(window, 2))));
    QVERIFY(jobControlsEnabled(window));
    window.selectionChanged();
    QVERIFY(jobControlsEnabled(window));

    RowHistory history(window);
    press(window, Job::Update);
    QCOMPARE(stateOf(row(window, 1)), int(RowBusy));
    QCOMPARE(history.messages, QStringList {com2 + ": not started: In use by zelkor-cli (4242)"});
    const QAbstractItemModel *jobs = window.historyPanel->view()->model();
    QCOMPARE(jobs->index(0, JobHistoryModel::PortColumn).data().toString(), com2);
    QVERIFY(jobs->index(0, JobHistoryModel::ReasonColumn).data().toString().contains("zelkor-cli"));
    // The port free again: the device is selected as before.
    QTRY_VERIFY_WITH_TIMEOUT(history.jobOver(1), JobTimeoutMs);
    QCOMPARE(child<QLabel>(window, "batchSummaryLabel")->text(), "1 failed, 1 not started");
    window.lastJobTime.invalidate();
    window.add_items({com1, com2}, both);
    QVERIFY(row(window, 2)->isSelected());
}

void tst_Window::refusedPorts_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("mode"); // of the device
    QTest::addColumn<QString>("holder"); // empty: unknown
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("advice"); // %1 the device, %2 its group, %3 its owner

    QTest::newRow("permission, for a group") << int(PortError::Permission) << 0660 << ""
                                             << "Permission denied"
                                             << "%1 may be opened by the members of the group "
                                                "%2. Join it with\nsudo usermod -aG %2 $USER\n"
                                                "then log out and in again.";
    QTest::newRow("permission, for its owner alone")
        << int(PortError::Permission) << 0600 << ""
        << "Permission denied"
        << "Only its owner %3 may open %1: ask your administrator for access.";
    QTest::newRow("in use, holder seen")
        << int(PortError::Busy) << 0600 << "cutecom"
        << "In use by cutecom (4242)"
        << "%1 is in use by cutecom (process 4242). Close that program to use the port here.";
    QTest::newRow("in use, holder unseen")
        << int(PortError::Busy) << 0600 << ""
        << "In use by another program"
        << "%1 is in use by another program. Close it to use the port here.";
    QTest::newRow("another reason")
        << int(PortError::Io) << 0600 << "" << qt_error_string(EIO) << "%1: " + qt_error_string(EIO);
}

// A port that refuses the scan gets a greyed row that says why and what to do, takes no job, and
// goes with the next pass that opens the port or no longer finds it. While no device is listed,
// the status bar says so.
void tst_Window::refusedPorts()
{
    QFETCH(int, kind);
    QFETCH(int, mode);
    QFETCH(QString, holder);
    QFETCH(QString, status);
    QFETCH(QString, advice);

    QTemporaryFile device;
    QVERIFY(device.open());
    QVERIFY(chmod(QFile::encodeName(device.fileName()).constData(), mode_t(mode)) == 0);
    Zelkor window;
    stopScanning(window);
    // No port opens but this one refuses; then two ports open, and no device answers on them.
    const QString com2 = PortNameMap::portName(2);
    window.add_items({}, {},
                     {{com2, device.fileName(), PortError {PortError::Kind(kind), qt_error_string(EIO)}, holder,
                       holder.isEmpty() ? 0 : 4242}});
    QTreeWidgetItem *refused = row(window, 2);
    QVERIFY(refused);
    QCOMPARE(refused->flags(), Qt::NoItemFlags); // neither selectable nor given a job
    QCOMPARE(refused->text(StatusColumn), status);
    QCOMPARE(refused->toolTip(LocationColumn),
             advice.replace("%1", device.fileName())
                 .replace("%2", QFileInfo(device.fileName()).group())
                 .replace("%3", QFileInfo(device.fileName()).owner()));
    QCOMPARE(child<QLabel>(window, "scanSummaryLabel")->text(), "No serial port could be opened");
    // Until a device answers, the status bar says what the scan found.
    window.add_items({com2, PortNameMap::portName(3)}, {});
    QCOMPARE(deviceList(window)->topLevelItemCount(), 0);
    QCOMPARE(child<QLabel>(window, "scanSummaryLabel")->text(),
             "No device answered on 2 scanned port(s)");
    window.add_items({com2}, {{com2, "", "", "", Ready}});
    QCOMPARE(stateOf(row(window, 2)), int(RowScanned));
    QVERIFY(child<QLabel>(window, "scanSummaryLabel")->text().isEmpty());
    window.add_items({}, {});
    QCOMPARE(child<QLabel>(window, "scanSummaryLabel")->text(), "No serial port found");
}

// Through the real scan: a held port shows its holder, and becomes a device row once let go.
void tst_Window::heldPortFreed()
{
    Bench bench;
    QVERIFY(bench.add(1, meter()));
    auto holder = std::make_unique<SecondOpener>(bench.device(1)->portPath());
    QVERIFY(holder->lock());
    Zelkor *window = bench.open();
    QVERIFY(window);
    QCOMPARE(row(*window, 1)->text(StatusColumn),
             QStringLiteral("In use by app_window (%1)").arg(QCoreApplication::applicationPid()));
    holder.reset();
    QTRY_COMPARE_WITH_TIMEOUT(row(*window, 1)->text(StatusColumn), Ready, ListTimeoutMs);
}

// Past its limit the log gives way to a new file; the full one is kept as ".1", in place of the
// one kept before. The limit holds whatever the lines and the folder are like.
void tst_Window::logRotation_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<int>("beforeLog"); // of the written lines, kept before the log is installed
    QTest::addColumn<bool>("predecessorBlocked"); // by a folder of the same name
    QTest::addColumn<QStringList>("predecessor");
    QTest::addColumn<QStringList>("current");

    // Room for three lines: a time stamp of 24 characters, a short message and the line end.
    constexpr qint64 ThreeLines = 100;
    QStringList seven;
    for (int line = 1; line <= 7; ++line)
        seven << QStringLiteral("line %1").arg(line);
    QTest::newRow("full file kept")
        << ThreeLines << seven << 0 << false << seven.mid(3, 3) << seven.mid(6);
    QTest::newRow("predecessor can't be made")
        << ThreeLines << seven << 0 << true << QStringList() << seven.mid(6);
    const QString runaway(3 * 512 * 1024, QLatin1Char('k'));
    QTest::newRow("runaway line cut")
        << LogFile::DefaultLimit << QStringList {runaway} << 0 << false << QStringList()
        << QStringList {runaway.left(LogFile::MaxMessageBytes) + LogFile::CutMark};
    QTest::newRow("lines before the log")
        << ThreeLines << seven.mid(0, 2) << 1 << false << QStringList() << seven.mid(0, 2);
}

void tst_Window::logRotation()
{
    QFETCH(qint64, limit);
    QFETCH(QStringList, written);
    QFETCH(int, beforeLog);
    QFETCH(bool, predecessorBlocked);
    QFETCH(QStringList, predecessor);
    QFETCH(QStringList, current);
    ScratchDirectory fresh;
    if (predecessorBlocked)
        QVERIFY(QDir().mkdir(LogFile::DefaultName + QStringLiteral(".1")));
    if (beforeLog > 0)
        LogFile::keepEarlyLines();
    QString error;
    for (int line = 0; line < written.size(); ++line) {
        if (line == beforeLog)
            QVERIFY2(LogFile::install(LogFile::DefaultName, limit, &error), qPrintable(error));
        qInfo().noquote() << written.at(line);
    }
    LogFile::uninstall();
    QCOMPARE(logged(".1"), predecessor);
    QCOMPARE(logged(), current);
    QVERIFY(QFileInfo(LogFile::DefaultName).size() <= limit);
}

// Two windows in one folder share its log: whichever rotates it, the other follows to the new
// file, and every line stays in the log or its predecessor until the predecessor gives way.
void tst_Window::logSharedByTwo()
{
    constexpr qint64 Limit = 100;
    constexpr int Lines = 40;
    ScratchDirectory fresh;
    LogFileWriter first(LogFile::DefaultName, Limit);
    LogFileWriter second(LogFile::DefaultName, Limit);
    QString error;
    QVERIFY2(first.open(&error) && second.open(&error), qPrintable(error));
    QStringList written;
    for (int line = 0; line < Lines; ++line) {
        written << QStringLiteral("line %1").arg(line);
        (line % 2 ? second : first).write("stamp " + written.last().toUtf8() + '\n');
    }
    const QStringList kept = logged(".1") + logged();
    QVERIFY2(kept.size() > 3 && kept == written.mid(Lines - kept.size()),
             qPrintable(kept.join(',')));

    // A window stopped while it holds the lock (in a debugger, say) does not stop the other.
    QFile stopped(LogFile::DefaultName);
    QVERIFY(stopped.open(QIODevice::ReadOnly) && flock(stopped.handle(), LOCK_EX) == 0);
    first.write("stamp written beside a held lock\n");
    QCOMPARE(logged().last(), QStringLiteral("written beside a held lock"));
}

// Never through a link in the log's place; a line that does not fit on the disk leaves no
// fragment for the next one to be glued to.
void tst_Window::logKeptWhole()
{
    FullFileSystem disk;
    QVERIFY(QFile::link("elsewhere", disk.filePath(LogFile::DefaultName)));
    LogFileWriter linked(disk.filePath(LogFile::DefaultName), LogFile::DefaultLimit);
    QString error;
    QVERIFY(!linked.open(&error));
    QVERIFY2(error.contains("symbolic link"), qPrintable(error));
    QVERIFY(!QFile::exists(disk.filePath("elsewhere")));

    const QString path = disk.filePath("own.log");
    LogFileWriter log(path, LogFile::DefaultLimit);
    QVERIFY2(log.open(&error), qPrintable(error));
    const QByteArray first = "stamp " + QByteArray(FullFileSystem::BlockSize - 17, 'a') + '\n';
    log.write(first);
    QVERIFY(disk.fill());
    log.write("stamp lost on the full disk\n");
    disk.makeRoom();
    log.write("stamp next\n");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), first + "stamp next\n");
}

void tst_Window::logLeavesPassesOut_data()
{
    QTest::addColumn<bool>("verbose");
    QTest::newRow("by default") << false;
    QTest::newRow("verbose") << true;
}

// The scan writes a few lines every second; the file keeps them only when asked to. Job lines
// and warnings are always kept.
void tst_Window::logLeavesPassesOut()
{
    QFETCH(bool, verbose);
    ScratchDirectory fresh;
    QString error;
    LogFile::setVerbose(verbose);
    QVERIFY2(LogFile::install(LogFile::DefaultName, LogFile::DefaultLimit, &error),
             qPrintable(error));
    qCDebug(lcScanPass) << "Add items started";
    qCInfo(lcJob) << "Job ended";
    qCWarning(lcScan) << "port refused";
    LogFile::uninstall();
    LogFile::setVerbose(false);
    const QStringList kept {"Job ended", "warning: port refused"};
    QCOMPARE(logged(), verbose ? QStringList {"Add items started"} + kept : kept);
}

void tst_Window::settingsRoundTrip_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<QVariantMap>("meanwhile"); // stored while the window is open
    QTest::addColumn<bool>("userActs"); // types a file name, checks the box, resizes the window
    QTest::addColumn<QVariantMap>("saved");
    QTest::addColumn<QString>("fileFieldNextTime");

    const QString typed = QStringLiteral("typed name.cod");
    const QVariantMap none;
    QTest::newRow("first start untouched")
        << none << none << false
        << QVariantMap {{"filename", Prompt}, {"open_path", ""}, {"calb_after", false}} << Prompt;
    // The stored name stands only with a folder; the prompt in the field is never saved over it,
    // nor over one stored while the window was open.
    QTest::newRow("stored name without a folder")
        << QVariantMap {{"filename", "/srv/fw/meter.cod"}} << none << false
        << QVariantMap {{"filename", "/srv/fw/meter.cod"}, {"open_path", ""}} << Prompt;
    const QVariantMap storedLater {{"filename", "/srv/fw/meter-2.1.0.cod"},
                                   {"open_path", "/srv/fw"}};
    QTest::newRow("name stored meanwhile")
        << none << storedLater << false << storedLater << "/srv/fw/meter-2.1.0.cod";
    QTest::newRow("typed name with a folder")
        << QVariantMap {{"open_path", "/srv/fw"}, {"filename", "/srv/fw/old.cod"}} << none << true
        << QVariantMap {{"filename", typed}, {"open_path", "/srv/fw"}} << typed;
}

void tst_Window::settingsRoundTrip()
{
    QFETCH(QVariantMap, before);
    QFETCH(QVariantMap, meanwhile);
    QFETCH(bool, userActs);
    QFETCH(QVariantMap, saved);
    QFETCH(QString, fileFieldNextTime);

    ScratchDirectory fresh;
    ScratchDirectory::storeSettings(before);
    QSize firstSize;
    {
        Zelkor window;
        firstSize = window.size();
        if (userActs) {
            child<QLineEdit>(window, "filenameEdit")->selectAll();
            QTest::keyClicks(child(window, "filenameEdit"), "typed name.cod");
            // Checked while a missing selection keeps it disabled.
            child<QCheckBox>(window, "calbAfterChk")->setChecked(true);
            window.resize(firstSize + QSize(40, 30));
        }
        ScratchDirectory::storeSettings(meanwhile);
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
    QCOMPARE(nextTime.size(), firstSize + (userActs ? QSize(40, 30) : QSize(0, 0)));
}

// Saving changes only the window's own lines of settings.ini: comments, other groups, their
// order and values QSettings would write back differently stay byte for byte. A file that is not
// INI, or one whose last line QSettings would run on into the window's group, is left as it was,
// and the user is told.
void tst_Window::settingsFileKept_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArrayList>("kept");
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<Trouble>("trouble");
    const QByteArray others = "; bench B\n[Ports]\nCOM5=/dev/serial/by-id/usb-FTDI;A10\n\n"
                              "[Zeta]\npath=C:\\Users\\bench\\fw\n";
    const Trouble none = Trouble::None;
    QTest::newRow("group added after the others")
        << others << QByteArrayList {others} << true << QString() << none;
    // As Notepad saves it.
    const QByteArray marked = "\xEF\xBB\xBF" + others;
    QTest::newRow("byte-order mark")
        << marked << QByteArrayList {marked} << true << QString() << none;
    QTest::newRow("group among the others")
        << "[Program_settings]\n; mine\nfilename=old.cod\nextra=1\n" + others
        << QByteArrayList {"[Program_settings]\n; mine\n", "extra=1\n", others} << true << QString()
        << none;
    // Another group's key of the same name is another setting.
    const QByteArray later = "[Zeta]\nfilename=keep.cod\n";
    QTest::newRow("same key in a later group")
        << "[Program_settings]\nfilename=old.cod\n" + later << QByteArrayList {later} << true
        << QString() << none;
    QTest::newRow("line ends of Windows")
        << QByteArray("[Zeta]\r\nk=v\r\n[Program_settings]\r\nfilename=old.cod")
        << QByteArrayList {"[Zeta]\r\nk=v\r\n[Program_settings]\r\nfilename=new.cod\r\n",
                           "calb_after=false\r\n"}
        << true << QString() << none;
    const QString notSaved = QStringLiteral("settings.ini not saved: .*settings.ini:? ");
    const std::tuple<const char *, QByteArray, const char *, Trouble> refused[] = {
        {"not INI", "Ports are on the bench PC\n", "is not an INI file", none},
        {"open quote", "[Zeta]\nnote=\"bench B\n", "has a line that runs on", none},
        {"closing backslash", "[Zeta]\npath=C:\\fw\\\n", "has a line that runs on", none},
        // Root would write root's files into one of its own in a folder that others can read.
        {"symbolic link", others, "a symbolic link", Trouble::Link},
        // Larger than a block, so that no block is left for it.
        {"full disk", others + "[Zeta]\nnote=" + QByteArray(5000, 'n') + "\n",
         "(No space|File too large)", Trouble::FullDisk}};
    for (const auto &[name, before, reason, trouble] : refused)
        QTest::newRow(name) << before << QByteArrayList {before} << false << notSaved + reason
                            << trouble;
}

void tst_Window::settingsFileKept()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArrayList, kept);
    QFETCH(bool, written);
    QFETCH(QString, warning);
    QFETCH(Trouble, trouble);
    FullFileSystem disk;
    ScratchDirectory fresh;
    QVERIFY(trouble != Trouble::FullDisk || QDir::setCurrent(disk.path()));
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    QFile file(trouble == Trouble::Link ? QStringLiteral("root-only.ini")
                                        : QStringLiteral("settings.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) == before.size());
    file.close();
    QVERIFY(trouble != Trouble::Link || QFile::link(file.fileName(), "settings.ini"));
    {
        Zelkor window;
        child<QLineEdit>(window, "filenameEdit")->setText(QStringLiteral("new.cod"));
        QVERIFY(trouble != Trouble::FullDisk || disk.fill());
    }
    disk.makeRoom();
    QVERIFY(trouble != Trouble::Link || QFileInfo("settings.ini").isSymLink());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    for (const QByteArray &part : kept)
        QVERIFY2(after.contains(part), after.constData());
    QCOMPARE(after == before, !written);
    if (written)
        QCOMPARE(QSettings(file.fileName(), QSettings::IniFormat)
                     .value(QStringLiteral("Program_settings/filename")),
                 QVariant(QStringLiteral("new.cod")));
}

// QSettings reads a group that a subgroup's section stands ahead of only once it has read every
// section.
void tst_Window::settingsBehindSubgroup()
{
    ScratchDirectory fresh;
    QFile file(QStringLiteral("settings.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[Program_settings/backup]\nfilename=/srv/old.cod\n"
               "[Program_settings]\nopen_path=/srv/fw\nfilename=/srv/fw/meter.cod\n");
    file.close();
    Zelkor window;
    QCOMPARE(child<QLineEdit>(window, "filenameEdit")->text(), QStringLiteral("/srv/fw/meter.cod"));
}

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
    QCOMPARE(history.states[1].last(), int(RowBusy));
    QCOMPARE(history.states[2].last(), int(RowBusy));
    QVERIFY(!jobControlsEnabled(*window));

    QTRY_VERIFY_WITH_TIMEOUT(history.jobOver(1) && history.jobOver(2), JobTimeoutMs);
    const Clock::time_point ended = Clock::now();
    QCOMPARE(history.messages, QStringList());
    for (int port = 1; port <= 2; ++port) {
        QCOMPARE(history.states[port].mid(0, 2), (QList<int> {RowBusy, RowDone}));
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
    // The mark the row keeps of the job, a line of its tooltip: a pattern of its start.
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QByteArray>("firmware");

    const QList<DeviceFault> none;
    const QByteArray tenLines = TestFirmware::tenLines();
    const QString tick = QString(QChar(0x2713)) + ' ', cross = QString(QChar(0x2717)) + ' ';
    QTest::newRow("update then calibrate")
        << Job::UpdateThenCalibrate << meter() << none << "" << Full << int(RowScanned) << 1
        << tick + "updated to 3.1.4 and calibrated at " << tenLines;
    // The restart into the new firmware is lost once, and the loader waits for a reset: the
    // window's check finds it still asking for firmware and has the job done again.
    DeviceProfile waits = meter();
    waits.bootDelayMs = 0;
    QTest::newRow("update repeated")
        << Job::Update << waits
        << QList<DeviceFault> {DeviceFault::on("RESET", DeviceFault::NoReply, 1, 2)} << "" << Full
        << int(RowDone) << 2 << tick + "updated to 3.1.4" << tenLines;
    // A calibration alone leaves the device usable, its row warned.
    QTest::newRow("calibration fails")
        << Job::Calibrate << meter(100001, {"save"}) << none << "Can't execute command SAVE"
        << CalibrationCancelled << int(RowWarned) << 0
        << cross + "The device did not confirm that it stored the new calibration." << tenLines;
    // The new firmware answers, yet the job failed: the row stays a failure.
    QTest::newRow("update done, calibration after it fails")
        << Job::UpdateThenCalibrate << meter(100001, {"save"}) << none
        << "Can't execute command SAVE" << CalibrationCancelled << int(RowWarned) << 1
        << cross + "The device did not confirm" << tenLines;
    QTest::newRow("unplugged after the update")
        << Job::Update << meter()
        << QList<DeviceFault> {DeviceFault::on("RESET", DeviceFault::Unplug, 1)} << ""
        << "Please reconnect device" << int(RowFailed) << 0
        << cross + "After the update the device no longer answers." << tenLines;
    QTest::newRow("update fails") << Job::Update << meter()
                                  << QList<DeviceFault> {DeviceFault::on(
                                         "CONNECT", DeviceFault::BadStatus, 0, 5)}
                                  << "Can't execute command CONNECT" << UpdateCancelled
                                  << int(RowFailed) << 0 << cross + "The loader did not answer."
                                  << tenLines;
    // The reader's finding travels with the failure to the row.
    QTest::newRow("file without its end line")
        << Job::Update << meter() << none << "Firmware file is corrupted" << UpdateCancelled
        << int(RowFailed) << 0 << cross + "The firmware file /.*/firmware.cod has no end line"
        << tenLines.left(tenLines.size() - 2) + "0A\n";
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
    QFETCH(QString, mark);
    QFETCH(QByteArray, firmware);

    Bench bench;
    QString logError;
    QVERIFY(LogFile::install(LogFile::DefaultName, LogFile::DefaultLimit, &logError));
    const auto closeLog = qScopeGuard(LogFile::uninstall);
    SimulatedDevice *device = bench.add(1, profile, faults);
    QVERIFY(device);
    Zelkor *window = openWithFirmware(bench, {1}, firmware);
    QVERIFY(window);
    RowHistory history(*window);
    child<QCheckBox>(*window, "calbAfterChk")->setChecked(job == Job::UpdateThenCalibrate);

    const Clock::time_point pressed = Clock::now();
    press(*window, job);
    QCOMPARE(stateOf(row(*window, 1)), int(RowBusy));
    // The pressed button is disabled: the focus must not pass on to the file field, where the
    // next key would replace the whole selected path.
    QCOMPARE(window->focusWidget(), deviceList(*window));
    QVERIFY(!child<QLineEdit>(*window, "filenameEdit")->hasSelectedText());

    // The job ends as its port goes back to the scan.
    QTRY_VERIFY_WITH_TIMEOUT(history.jobOver(1), JobTimeoutMs);
    const Clock::time_point jobOver = history.ended[1];
    QCOMPARE(history.messages,
             message.isEmpty() ? QStringList()
                               : QStringList {PortNameMap::portName(1) + ": " + message});
    QCOMPARE(row(*window, 1)->text(4), status);
    QCOMPARE(stateOf(row(*window, 1)), state);
    QCOMPARE(requestsBetween(*device, pressed, jobOver).count("1g"), checks);
    // The job log gets the update's row once a scan has seen the firmware it wrote, with one
    // attempt for each check.
    const auto jobLog = [] {
        QFile file(QStringLiteral("zelkor-jobs.csv"));
        return QString::fromUtf8(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    };
    const QRegularExpression logRow(
        QStringLiteral(",1.2.345,3.1.4,firmware.cod,[0-9a-f]{64},[0-9.]*,%1,0,").arg(checks));
    if (state == RowScanned || state == RowDone)
        QTRY_VERIFY_WITH_TIMEOUT(jobLog().contains(logRow), ListTimeoutMs);
    // So does the program's log, with the outcome the user saw.
    const auto ended = [] { return logged().filter(QStringLiteral("Job ended: ")); };
    QTRY_COMPARE_WITH_TIMEOUT(ended().size(), 1, ListTimeoutMs);
    const QString outcome = !message.isEmpty() ? message : state == RowFailed ? status : "ok";
    QVERIFY2(ended().first().endsWith(": " + outcome), qPrintable(ended().first()));
    // The reason of a failure stays with its row, through the scans that rebuild it, and so does
    // the mark of a success.
    const QRegularExpression markLine("\n" + mark);
    QTRY_VERIFY2_WITH_TIMEOUT(row(*window, 1)->toolTip(StatusColumn).contains(markLine),
                              qPrintable(row(*window, 1)->toolTip(StatusColumn)), ListTimeoutMs);
    if (!message.isEmpty()) {
        // The first scan result the window takes after the quiet spell that follows a job.
        bool rebuilt = false;
        QObject watch;
        connect(
            window->deviceThread.get(), &DeviceThread::finish, &watch,
            [&] { rebuilt = rebuilt || !window->withinQuietPeriod(); }, Qt::QueuedConnection);
        QTRY_VERIFY_WITH_TIMEOUT(rebuilt, ListTimeoutMs);
        QCOMPARE(row(*window, 1)->text(4), status);
        QVERIFY(row(*window, 1)->toolTip(4).contains(message));
        QVERIFY(row(*window, 1)->toolTip(4).contains(markLine));
    }
    // A done row can take no second job; any other row is usable again.
    QCOMPARE(jobControlsEnabled(*window), state != RowDone);
}

// A failure stays readable after its device is pulled, a success after the scans that rebuild
// its row; the batch is summed up, and the history can be taken away as CSV.
void tst_Window::historyOutlivesRows()
{
    Bench bench;
    QVERIFY(bench.add(1, meter(100001), {DeviceFault::on("CONNECT", DeviceFault::BadStatus, 0, 5)})
            && bench.add(2, meter(100002)));
    Zelkor *window = openWithFirmware(bench, {1, 2});
    QVERIFY(window);
    RowHistory history(*window);
    press(*window, Job::Update);
    QTRY_VERIFY_WITH_TIMEOUT(history.jobOver(1) && history.jobOver(2), JobTimeoutMs);
    QCOMPARE(child<QLabel>(*window, "batchSummaryLabel")->text(), "1 updated, 1 failed");

    bench.remove(1);
    QTRY_VERIFY_WITH_TIMEOUT(!row(*window, 1), ListTimeoutMs);
    const QString mark = QString(QChar(0x2713)) + " updated to 3.1.4 at ";
    QTRY_VERIFY_WITH_TIMEOUT(row(*window, 2)->toolTip(StatusColumn).contains(mark), ListTimeoutMs);
    const QAbstractItemModel *jobs = window->historyPanel->view()->model();
    QCOMPARE(jobs->rowCount(), 2);
    const auto entry = [jobs](int port, int column) {
        const QModelIndexList found = jobs->match(jobs->index(0, JobHistoryModel::PortColumn),
                                                  Qt::DisplayRole, PortNameMap::portName(port));
        return found.isEmpty() ? QString() : jobs->index(found.first().row(), column).data().toString();
    };
    QCOMPARE(entry(1, JobHistoryModel::ResultColumn),
             "Update failed: Can't execute command CONNECT");
    QCOMPARE(entry(1, JobHistoryModel::ReasonColumn),
             "The loader did not answer. Reconnect the device and try again.");
    QCOMPARE(entry(2, JobHistoryModel::AfterColumn), "3.1.4");
    QCOMPARE(entry(2, JobHistoryModel::SerialAfterColumn), "100002");
    window->historyPanel->copy();
    const QStringList csv = QApplication::clipboard()->text().split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(csv.size(), 3);
    QVERIFY2(csv.last().contains(",\\\\.\\COM1,100001,,1.2.345,,Update,"), qPrintable(csv.last()));
}

void tst_Window::closingWithJobs_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("closed") << "close";
    // SIGTERM or SIGINT: as "Quit anyway", without asking.
    QTest::newRow("signalled") << "signal";
    QTest::newRow("destroyed") << "destroy";
}

// An update runs on the first device when the user selects the second one and presses
// "Calibrate": that row alone gets a job. The window goes while both jobs wait in pauses that
// last for days.
void tst_Window::closingWithJobs()
{
    QFETCH(QString, end);

    Bench bench;
    QVERIFY(bench.add(1, meter(100001)) && bench.add(2, meter(100002)));
    Zelkor *window = openWithFirmware(bench, {1});
    QVERIFY(window);
    ProtocolTiming::setScale(1e6);

    press(*window, Job::Update);
    QCOMPARE(jobsOf(*window)->running(), 1);
    QTest::mouseClick(deviceList(*window)->viewport(), Qt::LeftButton, {},
                      deviceList(*window)->visualItemRect(row(*window, 2)).center());
    // The busy row still calls itself selected, which disables the controls; the next rebuild
    // counts only usable rows and enables them.
    QVERIFY(!jobControlsEnabled(*window));
    QTRY_VERIFY_WITH_TIMEOUT(jobControlsEnabled(*window), ListTimeoutMs);
    press(*window, Job::Calibrate);
    QCOMPARE(jobsOf(*window)->running(), 2);
    // The request after which each job waits.
    const QStringList waitsAfter {"RESET", "calb"};
    for (int port = 1; port <= 2; ++port) {
        QTRY_VERIFY_WITH_TIMEOUT(
            bench.device(port)->log().requests().contains(waitsAfter[port - 1]), JobTimeoutMs);
    }

    // Once the window has let go of them, the jobs are over and logged.
    if (end == "signal") {
        QCOMPARE(answering("", [window] { window->quitWithoutAsking(); }), QString());
        QCOMPARE(jobsOf(*window)->running(), 0);
    } else if (end == "close") {
        QCOMPARE(answering("", [window] { window->close(); }),
                 "2 devices are still being updated or calibrated.");
        QVERIFY(window->isVisible());
        QCOMPARE(jobsOf(*window)->running(), 2);
        QVERIFY(!answering("Quit anyway", [window] { window->close(); }).isEmpty());
        QVERIFY(!window->isVisible());
        QCOMPARE(jobsOf(*window)->running(), 0);
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
        QVERIFY(other.open(SimulatedPorts::portNameBytes(port).constData(), StopBits::Two));
    }
    // Each cut-off job has its row in the job log.
    QFile jobLog(QStringLiteral("zelkor-jobs.csv"));
    QVERIFY(jobLog.open(QIODevice::ReadOnly));
    QCOMPARE(jobLog.readAll().count(",-99,Interrupted,"), 2);
    QVERIFY(ScratchDirectory::storedSettings().contains("window"));
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
