#include "DeviceThread.h"
#include "RowState.h"
#include "UpdateThread.h"
#include "Zelkor.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidgetItem>

namespace {
// How often the window asks whether the scan has let go of a port it wants.
constexpr unsigned long PortPollMs = 50;
} // namespace

void Zelkor::updateFirmware()
{
    // Also catches the start-up prompt, which names no file.
    if (!QFile::exists(ui.filenameEdit->text())) {
        ui.statusBar->showMessage(tr("Firmware file not found"), StatusMessageMs);
        return;
    }
    busy = true;
    qDebug().noquote() << "UF started";
    ui.treeWidget->blockSignals(true);
    disableJobControls();
    QCoreApplication::processEvents();
    if (!startJobs(ui.calbAfterChk->isChecked(), true))
        ui.statusBar->showMessage(tr("Device is not selected"), StatusMessageMs);
    ui.treeWidget->blockSignals(false);
    qDebug().noquote() << "UF completed";
    busy = false;
}

void Zelkor::Calibrate()
{
    busy = true;
    qDebug().noquote() << "CALB started";
    disableJobControls();
    QCoreApplication::processEvents();
    ui.treeWidget->blockSignals(true);
    if (!startJobs(true, false))
        ui.statusBar->showMessage(tr("Device is not selected"), StatusMessageMs);
    ui.treeWidget->blockSignals(false);
    qDebug().noquote() << "CALB completed";
    busy = false;
}

// They stay disabled until the selection changes or a job ends.
void Zelkor::disableJobControls()
{
    ui.updateBtn->setEnabled(false);
    ui.calbBtn->setEnabled(false);
    ui.calbAfterChk->setEnabled(false);
}

bool Zelkor::startJobs(bool calibrate, bool update)
{
    bool started = false;
    const QList<QTreeWidgetItem *> rows = selectedRows();
    for (QTreeWidgetItem *row : rows) {
        if (!mayTakeJob(row))
            continue;
        const QString port = row->text(LocationColumn);
        reservePort(port);
        setRowState(row, RowBusy);
        QCoreApplication::processEvents();

        auto *job = new UpdateThread;
        connect(job, &UpdateThread::progress, this, &Zelkor::updateProgress);
        connect(job, &UpdateThread::finished, this, &Zelkor::updateFinished);
        job->setJob(port, ui.filenameEdit->text(), calibrate, update, ui.VrefSpin->value());
        runningJobs.insert(job);
        job->start(QThread::InheritPriority);
        started = true;
    }
    return started;
}

// Only a row the user sees selected gets a job. A row whose job runs, or whose update has just
// been confirmed, is not enabled and gets no second one. A row that was disabled while selected
// goes on calling itself selected after the user has selected other rows, even once it is
// enabled again (a failed job): the selection model, which the list is drawn from, knows better.
bool Zelkor::mayTakeJob(const QTreeWidgetItem *row) const
{
    return row->flags().testFlag(Qt::ItemIsEnabled)
        && ui.treeWidget->selectionModel()->isSelected(ui.treeWidget->indexFromItem(row));
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
}
