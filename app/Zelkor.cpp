#include "Zelkor.h"

#include "AppLogging.h"
#include "Calibration.h"
#include "DeviceNodeWatcher.h"
#include "DeviceThread.h"
#include "JobController.h"
#include "JobHistoryModel.h"
#include "JobHistoryPanel.h"
#include "JobLog.h"
#include "JobLogging.h"
#include "JobOutcome.h"
#include "JobResultText.h"
#include "ScanLogging.h"
#include "WindowSettings.h"
#include "ZelkorVersion.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>
#include <QTreeWidgetItem>

namespace {
// One pass per tick at most; also the quiet period after a job event.
constexpr int RefreshIntervalMs = 1000;
// The window's name in the job log.
const QString ProgramName = QStringLiteral("zelkor");
} // namespace

Zelkor::Zelkor(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    ui.setupUi(this);
    deviceList = std::make_unique<DeviceList>(ui.treeWidget);
    // The form names only the 16 px icon; the larger ones keep it sharp at any scale.
    QIcon icon;
    for (const QFileInfo &file : QDir(QStringLiteral(":/Zelkor/icons")).entryInfoList(QDir::Files))
        icon.addFile(file.filePath());
    setWindowIcon(icon);
    ui.VrefSpin->setRange(Calibration::minimumVolts, Calibration::maximumVolts);
    setWindowTitle(tr("Zelkor v%1").arg(QLatin1String(ZelkorVersion)));
    setUpStatusBar();
    setUpHistory();
    deviceList->fitColumns();
    ui.treeWidget->sortByColumn(LocationColumn, Qt::AscendingOrder);
    fitFirstView();

    loadSettings();

    connect(ui.browseBtn, &QPushButton::clicked, this, &Zelkor::chooseFirmwareFile);
    connect(ui.updateBtn, &QPushButton::clicked, this, &Zelkor::updateFirmware);
    connect(ui.calbBtn, &QPushButton::clicked, this, &Zelkor::Calibrate);
    connect(ui.treeWidget, &QTreeWidget::itemSelectionChanged, this, &Zelkor::selectionChanged);
    setUpScanning();

    // The prompt is the field's real text, not a placeholder: it is what gets stored and
    // checked until the user picks a file.
    if (openPath.isEmpty())
        ui.filenameEdit->setText(filenamePrompt());
    ui.filenameEdit->installEventFilter(this);
}

Zelkor::~Zelkor()
{
    // Only jobs that nobody was asked about are left here (the window was not closed first).
    // They go before the scan, which they may be taking a port from.
    stopJobs();
    delete jobs;
    stopScanning();
    saveSettings();
}

void Zelkor::loadSettings()
{
    const WindowSettings settings = WindowSettings::load();
    // Unusable geometry bytes leave the form's size in place.
    restoreGeometry(settings.geometry);
    ui.filenameEdit->setText(settings.filename);
    openPath = settings.openPath;
    // Only the state: the box stays disabled until a selection enables it.
    ui.calbAfterChk->setChecked(settings.calibrateAfter);
}

void Zelkor::saveSettings()
{
    WindowSettings settings;
    settings.geometry = saveGeometry();
    settings.filename = ui.filenameEdit->text();
    settings.filenameIsPrompt = settings.filename == filenamePrompt();
    settings.openPath = openPath;
    settings.calibrateAfter = ui.calbAfterChk->isChecked();
    QString error;
    if (!settings.save(&error))
        qCWarning(lcApp).noquote() << "settings.ini not saved:" << error;
}

QString Zelkor::filenamePrompt()
{
    return tr("Please select firmware *.cod file");
}

// A message covers the batch's summary for a moment only; the scan's stays beside it.
void Zelkor::setUpStatusBar()
{
    batchSummary = new QLabel(this);
    batchSummary->setObjectName(QStringLiteral("batchSummaryLabel"));
    ui.statusBar->addWidget(batchSummary);
    scanSummary = new QLabel(this);
    scanSummary->setObjectName(QStringLiteral("scanSummaryLabel"));
    ui.statusBar->addPermanentWidget(scanSummary);
}

void Zelkor::setUpHistory()
{
    history = new JobHistoryModel(this);
    historyPanel = new JobHistoryPanel(history);
    auto *dock = new QDockWidget(tr("Job history"), this);
    dock->setObjectName(QStringLiteral("historyDock"));
    // It can't be closed: without a menu there would be no way to bring it back.
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    dock->setWidget(historyPanel);
    addDockWidget(Qt::BottomDockWidgetArea, dock);
    connect(historyPanel, &JobHistoryPanel::cleared, this, [this] { deviceList->clearMarks(); });
    connect(historyPanel, &JobHistoryPanel::message, this, &Zelkor::showMessage);
    setTabOrder(ui.calbBtn, historyPanel->view());
}

void Zelkor::fitFirstView()
{
    QTreeWidget *tree = ui.treeWidget;
    const QSize least = tree->minimumSize();
    tree->setMinimumSize(deviceList->sizeShowing(FirstViewRows));
    ui.centralWidget->layout()->invalidate();
    layout()->invalidate();
    resize(sizeHint());
    tree->setMinimumSize(least);
}

bool Zelkor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui.filenameEdit)
        return false;
    // Any press into the file field picks a file instead of placing the text cursor.
    if (event->type() == QEvent::MouseButtonPress) {
        chooseFirmwareFile();
        event->accept();
        return true;
    }
    if (event->type() == QEvent::FocusIn)
        return keepFileFieldUnselected(event);
    return false;
}

// The field selects its whole text when Tab brings the focus, and a stray key would then replace
// the path: the field takes the focus here, and the cursor goes to the end instead.
bool Zelkor::keepFileFieldUnselected(QEvent *event)
{
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    if (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason)
        return false;
    static_cast<QObject *>(ui.filenameEdit)->event(event);
    ui.filenameEdit->deselect();
    ui.filenameEdit->end(false);
    return true;
}

void Zelkor::chooseFirmwareFile()
{
    const QString fileName =
        QFileDialog::getOpenFileName(this, tr("Open firmware file"), openPath,
                                     tr("Firmware *.cod files (*.cod);;All files (*.*)"));
    if (fileName.isEmpty())
        return;
    openPath = QFileInfo(fileName).path();
    ui.filenameEdit->setText(fileName);
}

void Zelkor::setUpScanning()
{
    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &Zelkor::refresh);
    refreshTimer->setInterval(RefreshIntervalMs);

    deviceThread = std::make_unique<DeviceThread>();
    // The pass emits from its own thread; the queued call must copy the lists.
    registerDeviceMetaTypes();
    connect(deviceThread.get(), &DeviceThread::finish, this, &Zelkor::add_items);
    setUpJobs();
    // A plugged-in adapter is scanned at once; the timer stays as the fallback.
    connect(new DeviceNodeWatcher(this), &DeviceNodeWatcher::portAppeared, this, &Zelkor::refresh);

    // The first devices show up without waiting for the first tick.
    refresh();
    refreshTimer->start();
}

void Zelkor::setUpJobs()
{
    jobs = new JobController(ProgramName, JobLog(), deviceThread.get());
    jobs->setParent(this);
    connect(jobs, &JobController::progress, this, &Zelkor::updateProgress);
    connect(jobs, &JobController::failed, this, &Zelkor::updateFailed);
    connect(jobs, &JobController::repeating, this, &Zelkor::updateRepeated);
    connect(jobs, &JobController::finished, this, &Zelkor::jobFinished);
    connect(jobs, &JobController::recorded, this, &Zelkor::jobRecorded);
}

void Zelkor::stopScanning()
{
    // No tick may start another pass while the worker goes.
    refreshTimer->stop();
    // The worker's destructor ends a running pass after the exchange in progress and waits for
    // it, so the thread is never destroyed while it runs.
    deviceThread.reset();
}

void Zelkor::refresh()
{
    if (!deviceThread->isRunning())
        deviceThread->start(QThread::InheritPriority);
}

bool Zelkor::withinQuietPeriod() const
{
    return lastJobTime.isValid() && lastJobTime.elapsed() < refreshTimer->interval();
}

void Zelkor::setRowState(QTreeWidgetItem *item, int state)
{
    DeviceList::setRowState(item, state);
}

void Zelkor::add_items(QStringList all_locations, QList<TDevices> devices,
                       QList<PortRefusal> refused)
{
    // A job slot is using the rows, or has just settled them: the next pass comes in a second.
    if (withinQuietPeriod() || busy)
        return;
    qCDebug(lcScanPass).noquote() << "Add items started";
    // Deleting and re-selecting rows must not reach selectionChanged.
    const QSignalBlocker blockSelectionSignals(ui.treeWidget);
    // One usable row in the old selection is enough here; selectionChanged is stricter.
    setJobControlsEnabled(deviceList->rebuild(all_locations, devices, refused));
    showScanSummary(all_locations.size(), refused.size());
    qCDebug(lcScanPass).noquote() << "Add items completed";
}

void Zelkor::showScanSummary(qsizetype scanned, qsizetype refused)
{
    if (deviceList->listsDevices())
        scanSummary->clear();
    else if (scanned > 0)
        scanSummary->setText(tr("No device answered on %n scanned port(s)", nullptr, int(scanned)));
    else
        scanSummary->setText(refused > 0 ? tr("No serial port could be opened")
                                         : tr("No serial port found"));
}

void Zelkor::selectionChanged()
{
    bool usable = false;
    {
        const QScopedValueRollback<bool> working(busy, true);
        usable = deviceList->selectionIsUsable();
    }
    setJobControlsEnabled(usable);
}

void Zelkor::setJobControlsEnabled(bool enabled)
{
    ui.updateBtn->setEnabled(enabled);
    ui.calbBtn->setEnabled(enabled);
    ui.calbAfterChk->setEnabled(enabled);
}

void Zelkor::showMessage(const QString &text)
{
    ui.statusBar->showMessage(text, StatusMessageMs);
}

void Zelkor::updateFirmware()
{
    // Also catches the start-up prompt, which names no file.
    const QString path = ui.filenameEdit->text();
    if (!QFile::exists(path)) {
        showMessage(path == filenamePrompt() ? tr("Firmware file not found")
                                             : tr("Firmware file not found: %1").arg(path));
        return;
    }
    runJobCommand("UF", ui.calbAfterChk->isChecked() ? JobKind::UpdateThenCalibrate
                                                     : JobKind::Update);
}

void Zelkor::Calibrate()
{
    runJobCommand("CALB", JobKind::Calibrate);
}

void Zelkor::runJobCommand(const char *name, JobKind kind)
{
    const QScopedValueRollback<bool> working(busy, true);
    qCDebug(lcJob).noquote() << name << "started";
    const QSignalBlocker blockSelectionSignals(ui.treeWidget);
    // Disabling the button that has the focus would hand it on to the file field, with its
    // whole text selected for the next key to replace.
    ui.treeWidget->setFocus();
    // They stay disabled until the selection changes or a job ends.
    setJobControlsEnabled(false);
    JobOrder order;
    order.kind = kind;
    order.firmwareFile = ui.filenameEdit->text();
    order.volts = ui.VrefSpin->value();
    QStringList started;
    int notStarted = 0;
    for (QTreeWidgetItem *row : deviceList->selectedRows()) {
        if (deviceList->mayTakeJob(row)) {
            started.append(row->text(LocationColumn));
            startJob(row, order);
        } else if (deviceList->isRefusedSelection(row)) {
            ++notStarted;
            reportNotStarted(row, kind);
        }
    }
    if (started.isEmpty() && notStarted == 0)
        showMessage(tr("Device is not selected"));
    else
        showBatchSummary(batches.start(kind, started, notStarted));
    qCDebug(lcJob).noquote() << name << "completed";
}

// The job takes its port from the scan in a thread of its own; the row is the job's at once.
void Zelkor::startJob(QTreeWidgetItem *row, const JobOrder &order)
{
    const QString port = row->text(LocationColumn);
    deviceList->clearMark(port);
    setRowState(row, RowBusy);
    // The Status text of an earlier failure goes with the fresh job; its reason does not.
    DeviceList::setStatus(row, row->text(StatusColumn), JobOutcome::jobName(order.kind));
    jobs->start(port, order);
}

void Zelkor::reportNotStarted(QTreeWidgetItem *row, JobKind kind)
{
    const QString port = row->text(LocationColumn);
    const QString refusal = row->text(StatusColumn);
    qCInfo(lcJob).noquote() << "Job not started:" << port << refusal;
    showMessage(tr("%1: not started: %2").arg(port, refusal));
    history->addNotStarted(port, kind,
                           tr("%1 Then start the job again.")
                               .arg(row->data(LocationColumn, DetailRole).toString()));
}

void Zelkor::showBatchSummary(const QString &summary)
{
    if (summary.isEmpty())
        return;
    qCInfo(lcJob).noquote() << "Jobs ended:" << summary;
    batchSummary->setText(summary);
}

void Zelkor::updateProgress(QString devicename, JobProgress progress)
{
    const QScopedValueRollback<bool> working(busy, true);
    if (QTreeWidgetItem *row = deviceList->row(devicename))
        DeviceList::setStatus(row, JobResultText::progress(progress), JobOutcome::phase(progress));
}

void Zelkor::updateFailed(QString devicename, JobResult::Code code)
{
    const QScopedValueRollback<bool> working(busy, true);
    QTreeWidgetItem *row = deviceList->row(devicename);
    if (!row)
        return;
    if (JobResult::isCalibrationFailure(code)) {
        // The device is still usable; the rebuild keeps the failure text a while longer.
        lastJobTime.start();
        setRowState(row, RowWarned);
    } else {
        setRowState(row, RowFailed);
    }
    const QString message = JobResultText::message(code);
    if (!message.isEmpty()) {
        showMessage(devicename + QStringLiteral(": ") + message);
        DeviceList::setStatus(row, JobResultText::rowText(code), message);
    }
}

void Zelkor::updateRepeated(QString devicename)
{
    const QScopedValueRollback<bool> working(busy, true);
    if (QTreeWidgetItem *row = deviceList->row(devicename)) {
        setRowState(row, RowBusy);
        DeviceList::setStatus(row, tr("Error. Trying to update again"),
                              tr("Update: the device still asks for firmware; it is written "
                                 "once more"));
    }
}

// A failure of the worker was shown as it came; a calibration that failed after the update
// keeps its failure showing.
void Zelkor::updateFinished(QString devicename, JobKind kind, JobResult::Code result)
{
    const QScopedValueRollback<bool> working(busy, true);
    if (QTreeWidgetItem *row = deviceList->row(devicename)) {
        if (result == JobResult::FirmwareNotTaken || result == JobResult::DeviceLost) {
            showDeviceLost(row, devicename, result);
        } else if (result == JobResult::Ok) {
            if (jobUpdates(kind))
                setRowState(row, RowDone);
            if (jobCalibrates(kind))
                setRowState(row, RowScanned);
        }
    }
    selectionChanged();
    lastJobTime.start();
}

// After an update the device answers neither with firmware nor, after the repeats, with
// anything but its loader.
void Zelkor::showDeviceLost(QTreeWidgetItem *row, const QString &port, JobResult::Code result)
{
    setRowState(row, RowFailed);
    const QString reason =
        result == JobResult::FirmwareNotTaken ? JobResultText::message(result) : QString();
    DeviceList::setStatus(row, JobResultText::message(JobResult::DeviceLost), reason);
    if (!reason.isEmpty())
        showMessage(port + QStringLiteral(": ") + reason);
}

void Zelkor::jobFinished(const JobRecord &record)
{
    updateFinished(record.port, record.kind, record.resultCode);
    history->addJob(record);
    deviceList->setMark(record.port,
                        {JobOutcome::succeeded(record), JobOutcome::mark(record), record.time});
    showBatchSummary(batches.ended(record.port, JobOutcome::succeeded(record)));
}

void Zelkor::jobRecorded(const JobRecord &record, const QString &logError)
{
    reportLogError(logError);
    history->complete(record);
    deviceList->updateMark(record.port,
                           {JobOutcome::succeeded(record), JobOutcome::mark(record), record.time});
}

void Zelkor::reportLogError(const QString &reason)
{
    if (reason.isEmpty())
        return;
    const QString error = QStringLiteral("%1 not written: %2").arg(JobLog().path(), reason);
    qCWarning(lcJob).noquote() << error;
    showMessage(error);
}

void Zelkor::quitWithoutAsking()
{
    stopJobs();
    QCoreApplication::quit();
}

void Zelkor::closeEvent(QCloseEvent *event)
{
    if (jobs->running() > 0 && !confirmQuitWithJobs()) {
        event->ignore();
        return;
    }
    stopJobs();
    event->accept();
}

// A device cut off in the middle of an update has no firmware until it is updated again.
bool Zelkor::confirmQuitWithJobs()
{
    const int running = jobs->running();
    QMessageBox question(QMessageBox::Warning, windowTitle(),
                         running == 1
                             ? tr("1 device is still being updated or calibrated.")
                             : tr("%1 devices are still being updated or calibrated.").arg(running),
                         QMessageBox::NoButton, this);
    question.setInformativeText(tr("Quitting now stops the jobs and can leave a device "
                                   "without firmware. Quit anyway?"));
    QPushButton *quit = question.addButton(tr("Quit anyway"), QMessageBox::DestructiveRole);
    QPushButton *keep = question.addButton(tr("Keep running"), QMessageBox::RejectRole);
    question.setDefaultButton(keep);
    question.setEscapeButton(keep);
    question.exec();
    return question.clickedButton() == quit;
}

void Zelkor::stopJobs()
{
    // The window that goes wants no more reports of the jobs, only of rows not written.
    disconnect(jobs, &JobController::progress, this, nullptr);
    disconnect(jobs, &JobController::failed, this, nullptr);
    disconnect(jobs, &JobController::repeating, this, nullptr);
    disconnect(jobs, &JobController::finished, this, nullptr);
    jobs->stopAll();
}
