// The window's side of a job: its progress and failures on screen, the check after an update
// and the end of the job.

#include "ComPort.h"
#include "DeviceThread.h"
#include "JobResult.h"
#include "JobResultText.h"
#include "ModeProbe.h"
#include "RowState.h"
#include "UpdateThread.h"
#include "Zelkor.h"

#include <QDebug>
#include <QStatusBar>
#include <QTreeWidgetItem>

namespace {

// A bar of "|" and the percentage, e.g. "||||| 57%".
QString progressText(int bars, int percent)
{
    return QString(bars, QLatin1Char('|')) + QStringLiteral(" %1%").arg(percent);
}

} // namespace

QTreeWidgetItem *Zelkor::deviceRow(const QString &location) const
{
    const QList<QTreeWidgetItem *> rows =
        ui.treeWidget->findItems(location, Qt::MatchExactly, LocationColumn);
    return rows.isEmpty() ? nullptr : rows.first();
}

void Zelkor::updateProgress(QString devicename, int percents)
{
    const bool wasBusy = busy;
    busy = true;
    QTreeWidgetItem *row = deviceRow(devicename);
    if (!row) {
        busy = wasBusy;
        return;
    }
    if (JobResult::isFailure(percents)) {
        if (JobResult::isCalibrationFailure(percents)) {
            // The device is still usable; the rebuild keeps the failure text a while longer.
            lastJobTime.start();
            setRowState(row, RowWarned);
        } else {
            setRowState(row, RowFailed);
        }
        const QString message = JobResultText::message(percents);
        if (!message.isEmpty()) {
            ui.statusBar->showMessage(message, StatusMessageMs);
            row->setText(StatusColumn, JobResultText::rowText(percents));
        }
    } else if (percents <= JobResult::UpdateLastPercent) {
        row->setText(StatusColumn, progressText(percents / 10, percents));
    } else if (percents >= JobResult::CalibrationFirstStep) {
        const int step = percents - JobResult::CalibrationFirstStep;
        row->setText(StatusColumn, progressText((step + 1) / 2, step * 5));
    }
    busy = wasBusy;
}

void Zelkor::updateFinished(UpdateThread *thread, QString devicename, int update_result,
                            int calb_result)
{
    // A report that was under way while the window stopped its workers names one that is gone.
    if (!runningJobs.contains(thread))
        return;
    const bool wasBusy = busy;
    busy = true;
    QTreeWidgetItem *row = deviceRow(devicename);

    if (thread->update() && update_result >= 0) {
        const int check = checkFirmware(devicename);
        if (check == ModeProbe::NoFirmware) {
            qDebug().noquote().nospace() << "Нужна повторная загрузка (поток) " << thread;
            if (row) {
                setRowState(row, RowBusy);
                row->setText(StatusColumn, tr("Error. Trying to update again"));
            }
            qDebug().noquote().nospace() << "Повторный старт потока " << thread;
            // The same job once more, on the port that stays reserved for it.
            thread->restart();
            busy = wasBusy;
            return;
        }
        if (row && check == ModeProbe::FirmwareRuns) {
            setRowState(row, RowDone);
        } else if (row) {
            setRowState(row, RowFailed);
            row->setText(StatusColumn, tr("Please reconnect device"));
        }
    }
    if (row && thread->calibrate() && calb_result >= 0)
        setRowState(row, RowScanned);

    // finished() was the run's last act; the destructor waits for run() to return.
    runningJobs.remove(thread);
    delete thread;
    // The device may run other firmware now: the scan tries every command form again.
    deviceThread->forgetVariants(devicename);
    deviceThread->releasePort(devicename);
    selectionChanged();
    lastJobTime.start();
    busy = wasBusy;
}

int Zelkor::checkFirmware(QString port)
{
    ComPort link;
    if (!link.open(port.toLatin1().constData(), false))
        return ModeProbe::PortCantOpen;
    const int state = ModeProbe::checkFirmware(link, ModeProbe::WindowTimeouts);
    link.close();
    return state;
}
