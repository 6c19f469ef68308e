#include "Zelkor.h"

#include "Calibration.h"
#include "DeviceNodeWatcher.h"
#include "DeviceThread.h"
#include "JobResult.h"
#include "JobResultText.h"
#include "ModeProbe.h"
#include "UpdateThread.h"
#include "WindowSettings.h"
#include "ZelkorVersion.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidgetItem>

#include <iterator>

namespace {
// The form's default section width does not fit the columns' contents.
constexpr int ColumnWidths[] = {100, 110, 80, 110, 120};
// One pass per tick at most; also the quiet period after a job event.
constexpr int RefreshIntervalMs = 1000;
// How often the window asks whether the scan has let go of a port it wants.
constexpr unsigned long PortPollMs = 50;
} // namespace

Zelkor::Zelkor(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    ui.setupUi(this);
    deviceList = std::make_unique<DeviceList>(ui.treeWidget);
    // The form names only the 16 px icon; the larger ones keep it sharp at any scale.
    QIcon icon;
    for (const QFileInfo &file : QDir(QStringLiteral(":/Zelkor/icons")).entryInfoList())
        icon.addFile(file.filePath());
    setWindowIcon(icon);
    for (int column = 0; column < int(std::size(ColumnWidths)); ++column)
        ui.treeWidget->setColumnWidth(column, ColumnWidths[column]);
    ui.VrefSpin->setRange(Calibration::minimumVolts, Calibration::maximumVolts);
    setWindowTitle(tr("Zelkor v%1").arg(QLatin1String(ZelkorVersion)));
    scanSummary = new QLabel(this);
    scanSummary->setObjectName(QStringLiteral("scanSummaryLabel"));
    ui.statusBar->addPermanentWidget(scanSummary);

    loadSettings();

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
    stopScanning();
    // Only jobs that nobody was asked about are left here (the window was not closed first).
    stopJobs();
    QString logError;
    jobTracker.flush(&logError);
    reportLogError(logError);
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
        qWarning().noquote() << "settings.ini not saved:" << error;
}

QString Zelkor::filenamePrompt()
{
    return tr("Please select firmware *.cod file");
}

bool Zelkor::eventFilter(QObject *watched, QEvent *event)
{
    // Any press into the file field picks a file instead of placing the text cursor.
    if (watched == ui.filenameEdit && event->type() == QEvent::MouseButtonPress) {
        chooseFirmwareFile();
        event->accept();
        return true;
    }
    return false;
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
    // A plugged-in adapter is scanned at once; the timer stays as the fallback.
    connect(new DeviceNodeWatcher(this), &DeviceNodeWatcher::portAppeared, this, &Zelkor::refresh);

    // The first devices show up without waiting for the first tick.
    refresh();
    refreshTimer->start();
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
    QString logError;
    jobTracker.scanned(devices, &logError);
    reportLogError(logError);
    // A job slot is using the rows, or has just settled them: the next pass comes in a second.
    if (withinQuietPeriod() || busy)
        return;
    qDebug().noquote() << "Add items started";
    // Deleting and re-selecting rows must not reach selectionChanged.
    const QSignalBlocker blockSelectionSignals(ui.treeWidget);
    // One usable row in the old selection is enough here; selectionChanged is stricter.
    setJobControlsEnabled(deviceList->rebuild(all_locations, devices, refused));
    showScanSummary(all_locations.size(), refused.size());
    qDebug().noquote() << "Add items completed";
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
    if (!QFile::exists(ui.filenameEdit->text())) {
        showMessage(tr("Firmware file not found"));
        return;
    }
    runJobCommand("UF", ui.calbAfterChk->isChecked(), true, true);
}

void Zelkor::Calibrate()
{
    runJobCommand("CALB", true, false, false);
}

void Zelkor::runJobCommand(const char *name, bool calibrate, bool update, bool blockSignalsFirst)
{
    const QScopedValueRollback<bool> working(busy, true);
    qDebug().noquote() << name << "started";
    QSignalBlocker blockSelectionSignals(ui.treeWidget);
    if (!blockSignalsFirst)
        blockSelectionSignals.unblock();
    // Disabling the button that has the focus would hand it on to the file field, with its
    // whole text selected for the next key to replace.
    ui.treeWidget->setFocus();
    // They stay disabled until the selection changes or a job ends.
    setJobControlsEnabled(false);
    QCoreApplication::processEvents();
    blockSelectionSignals.reblock();
    if (!startJobs(calibrate, update))
        showMessage(tr("Device is not selected"));
    blockSelectionSignals.unblock();
    qDebug().noquote() << name << "completed";
}

bool Zelkor::startJobs(bool calibrate, bool update)
{
    bool started = false;
    const QList<QTreeWidgetItem *> rows = deviceList->selectedRows();
    for (QTreeWidgetItem *row : rows) {
        if (!deviceList->mayTakeJob(row))
            continue;
        const QString port = row->text(LocationColumn);
        reservePort(port);
        setRowState(row, RowBusy);
        // The reason of an earlier failure goes with the fresh job.
        DeviceList::setStatus(row, row->text(StatusColumn));
        QCoreApplication::processEvents();

        auto *job = new UpdateThread;
        jobTracker.started(
            job,
            {port,
             {row->text(SerialColumn), row->text(DescriptionColumn), row->text(FirmwareColumn)},
             update,
             calibrate,
             ui.filenameEdit->text(),
             ui.VrefSpin->value()});
        connect(job, &UpdateThread::progress, this, &Zelkor::updateProgress);
        connect(job, &UpdateThread::finished, this, &Zelkor::updateFinished);
        job->setJob(port, ui.filenameEdit->text(), calibrate, update, ui.VrefSpin->value());
        runningJobs.insert(job);
        job->start(QThread::InheritPriority);
        started = true;
    }
    return started;
}

void Zelkor::reservePort(QString port)
{
    // Closes the scan's link if it holds the port; a link refuses to open an excluded port, so
    // the wait normally ends at once.
    deviceThread->excludePort(port);
    while (deviceThread->usesPort(port)) {
        QCoreApplication::processEvents();
        QThread::msleep(PortPollMs);
    }
}

void Zelkor::updateProgress(QString devicename, int percents)
{
    const QScopedValueRollback<bool> working(busy, true);
    QTreeWidgetItem *row = deviceList->row(devicename);
    if (!row)
        return;
    if (!JobResult::isFailure(percents)) {
        if (const std::optional<JobProgress> progress = JobProgress::decode(percents))
            DeviceList::setStatus(row, JobResultText::progress(*progress));
        return;
    }
    const auto code = JobResult::Code(percents);
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

void Zelkor::updateFinished(UpdateThread *thread, QString devicename, int update_result,
                            int calb_result)
{
    // A report that was under way while the window stopped its workers names one that is gone.
    if (!runningJobs.contains(thread))
        return;
    const QScopedValueRollback<bool> working(busy, true);
    QTreeWidgetItem *row = deviceList->row(devicename);
    JobResult::Code result = thread->update() && JobResult::isFailure(update_result)
        ? JobResult::Code(update_result)
        : thread->calibrate() && JobResult::isFailure(calb_result) ? JobResult::Code(calb_result)
                                                                   : JobResult::Ok;

    if (thread->update() && !JobResult::isFailure(update_result)) {
        const int check = checkFirmware(devicename);
        if (check == ModeProbe::NoFirmware
            && updateRepeats.value(thread) < UpdateThread::DefaultRepeats) {
            ++updateRepeats[thread];
            qDebug().noquote().nospace() << tr("Нужна повторная загрузка (поток) ") << thread;
            if (row) {
                setRowState(row, RowBusy);
                DeviceList::setStatus(row, tr("Error. Trying to update again"));
            }
            qDebug().noquote().nospace() << tr("Повторный старт потока ") << thread;
            // The same job once more, on the port that stays reserved for it.
            jobTracker.repeated(thread);
            thread->restart();
            return;
        }
        // A calibration that failed after the update keeps its failure showing.
        if (row && check == ModeProbe::FirmwareRuns) {
            if (!(thread->calibrate() && JobResult::isFailure(calb_result)))
                setRowState(row, RowDone);
        } else if (check != ModeProbe::FirmwareRuns) {
            result = check == ModeProbe::NoFirmware ? JobResult::FirmwareNotTaken
                                                    : JobResult::DeviceLost;
            showDeviceLost(row, devicename, result);
        }
    }
    if (row && thread->calibrate() && !JobResult::isFailure(calb_result)) {
        setRowState(row, RowScanned);
        DeviceList::showSuccess(row);
    }

    QString logError;
    jobTracker.finished(thread, result, &logError);
    reportLogError(logError);
    // finished() was the run's last act; the destructor waits for run() to return.
    runningJobs.remove(thread);
    updateRepeats.remove(thread);
    delete thread;
    // The device may run other firmware now: the scan tries every command form again.
    deviceThread->forgetVariants(devicename);
    deviceThread->releasePort(devicename);
    selectionChanged();
    lastJobTime.start();
}

// After an update the device answers neither with firmware nor, after the repeats, with
// anything but its loader.
void Zelkor::showDeviceLost(QTreeWidgetItem *row, const QString &port, JobResult::Code result)
{
    if (!row)
        return;
    setRowState(row, RowFailed);
    const QString reason =
        result == JobResult::FirmwareNotTaken ? JobResultText::message(result) : QString();
    DeviceList::setStatus(row, JobResultText::message(JobResult::DeviceLost), reason);
    if (!reason.isEmpty())
        showMessage(port + QStringLiteral(": ") + reason);
}

// The job's own result stands; the user learns that its row is missing from the log.
void Zelkor::reportLogError(const QString &error)
{
    if (error.isEmpty())
        return;
    qWarning().noquote() << error;
    showMessage(error);
}

int Zelkor::checkFirmware(QString port)
{
    return ModeProbe::checkPort(port);
}

void Zelkor::quitWithoutAsking()
{
    stopJobs();
    QCoreApplication::quit();
}

void Zelkor::closeEvent(QCloseEvent *event)
{
    if (!runningJobs.isEmpty() && !confirmQuitWithJobs()) {
        event->ignore();
        return;
    }
    stopJobs();
    event->accept();
}

// A device cut off in the middle of an update has no firmware until it is updated again.
bool Zelkor::confirmQuitWithJobs()
{
    const int jobs = int(runningJobs.size());
    QMessageBox question(QMessageBox::Warning, windowTitle(),
                         jobs == 1
                             ? tr("1 device is still being updated or calibrated.")
                             : tr("%1 devices are still being updated or calibrated.").arg(jobs),
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
    // All at once, so the exchanges in progress end side by side; the window that goes wants
    // no more reports.
    for (UpdateThread *job : std::as_const(runningJobs)) {
        job->disconnect(this);
        job->requestStop();
    }
    // The destructor waits for run() to return.
    qDeleteAll(runningJobs);
    runningJobs.clear();
    updateRepeats.clear();
}
