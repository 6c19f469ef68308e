// The window's side of a job: its progress and failures on screen, the check after an update
// and the end of the job. Kept beside the worker whose result codes it shows.

#include "ComPort.h"
#include "DeviceThread.h"
#include "ModeProbe.h"
#include "RowState.h"
#include "UpdateThread.h"
#include "Zelkor.h"

#include <QDebug>
#include <QStatusBar>
#include <QTreeWidgetItem>

#include <algorithm>
#include <iterator>

namespace {

constexpr int UpdateDone = 100;
constexpr int CalibrationSteps = 200;
// Calibration failures lie at -200 and below, update failures above.
constexpr int FirstCalibrationFailure = -200;
constexpr int PortCantOpen = -1;

struct FailureText
{
    int code;
    const char *statusBar;
    const char *status;
};

const char *const UpdateCancelled = QT_TRANSLATE_NOOP("Zelkor", "Firmware update was cancelled");
const char *const CalibrationCancelled = QT_TRANSLATE_NOOP("Zelkor", "Calibration was cancelled");

// clang-format off
const FailureText FailureTexts[] = {
    {-1,   QT_TRANSLATE_NOOP("Zelkor", "Can'n open device"),                  UpdateCancelled},
    {-2,   QT_TRANSLATE_NOOP("Zelkor", "Can'n open firmware file"),           UpdateCancelled},
    {-3,   QT_TRANSLATE_NOOP("Zelkor", "Firmware file is corrupted"),         UpdateCancelled},
    {-4,   QT_TRANSLATE_NOOP("Zelkor", "Can't execute command RESET"),        UpdateCancelled},
    {-5,   QT_TRANSLATE_NOOP("Zelkor", "Can't execute command CONNECT"),      UpdateCancelled},
    {-6,   QT_TRANSLATE_NOOP("Zelkor", "Can't execute command DISCONNECT"),   UpdateCancelled},
    {-7,   QT_TRANSLATE_NOOP("Zelkor", "Can't execute command NEW SECTION"),  UpdateCancelled},
    {-8,   QT_TRANSLATE_NOOP("Zelkor", "Can't execute command WRITE DATA"),   UpdateCancelled},
    {-200, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command SCAL"),         CalibrationCancelled},
    {-201, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command SAVE"),         CalibrationCancelled},
    {-202, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command GETI"),         CalibrationCancelled},
    {-203, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command CALIBRATE"),    CalibrationCancelled},
    {-204, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command RDAN"),         CalibrationCancelled},
    {-205, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command RESET"),        CalibrationCancelled},
    {-206, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command GETS"),         CalibrationCancelled},
    {-207, QT_TRANSLATE_NOOP("Zelkor", "Please connect external power"),      CalibrationCancelled},
    {-208, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command GFWV"),         CalibrationCancelled},
    {-209, QT_TRANSLATE_NOOP("Zelkor", "Can't set timeout"),                  CalibrationCancelled},
};
// clang-format on

const FailureText *failureText(int code)
{
    const auto line = std::find_if(std::begin(FailureTexts), std::end(FailureTexts),
                                   [code](const FailureText &text) { return text.code == code; });
    return line == std::end(FailureTexts) ? nullptr : line;
}

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
    if (percents < 0) {
        if (percents > FirstCalibrationFailure) {
            setRowState(row, RowFailed);
        } else {
            // The device is still usable; the rebuild keeps the failure text a while longer.
            lastJobTime.start();
            setRowState(row, RowWarned);
        }
        if (const FailureText *text = failureText(percents)) {
            ui.statusBar->showMessage(tr(text->statusBar), StatusMessageMs);
            row->setText(StatusColumn, tr(text->status));
        }
    } else if (percents <= UpdateDone) {
        row->setText(StatusColumn, progressText(percents / 10, percents));
    } else if (percents >= CalibrationSteps) {
        row->setText(
            StatusColumn,
            progressText((percents - CalibrationSteps + 1) / 2, (percents - CalibrationSteps) * 5));
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
        return PortCantOpen;
    const int state = ModeProbe::checkFirmware(link, ModeProbe::WindowTimeouts);
    link.close();
    return state;
}
