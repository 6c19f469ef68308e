#ifndef ZELKOR_H
#define ZELKOR_H

#include "DeviceList.h"
#include "JobBatches.h"
#include "JobKind.h"
#include "JobOrder.h"
#include "JobProgress.h"
#include "JobRecord.h"
#include "JobResult.h"
#include "TDevices.h"
#include "ui_Zelkor.h"

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>

class DeviceThread;
class JobController;
class JobHistoryModel;
class JobHistoryPanel;
class QLabel;
class QTimer;
class QTreeWidgetItem;

// The main window: the device list, kept current by the scan worker, the firmware file and the
// job controls.
class Zelkor : public QMainWindow
{
    Q_OBJECT

public:
    explicit Zelkor(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    // Stops any job still running and ends a running scan pass early, and waits for them
    // before the window goes.
    ~Zelkor() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

    // As "Quit anyway": stops every job after its exchange in progress, then ends the event
    // loop without asking. For a request to end that comes from outside (SIGTERM).
    void quitWithoutAsking();

    // See DeviceList::setRowState.
    void setRowState(QTreeWidgetItem *item, int state);

public slots:
    // Starts a scan pass unless one is running.
    void refresh();
    // Start one job per selected device: an update (and a calibration after it when the box
    // is checked), or a calibration alone.
    void updateFirmware();
    void Calibrate();
    // Rebuilds the device list from one scan pass, unless a job slot is at work or a job event
    // was less than a refresh interval ago. Refused ports get greyed rows that tell why.
    void add_items(QStringList all_locations, QList<TDevices> devices,
                   QList<PortRefusal> refused = {});
    // What the job controller reports, shown in the job's row: its progress; a failure, also in
    // the status bar (its plain reason comes with the job's end); the update begun again
    // because the device still asked for firmware; and the job's end, which settles the row.
    void updateProgress(QString devicename, JobProgress progress);
    void updateFailed(QString devicename, JobResult::Code code);
    void updateRepeated(QString devicename);
    void updateFinished(QString devicename, JobKind kind, JobResult::Code result);
    void selectionChanged();
    // Picks the firmware file in a dialog.
    void chooseFirmwareFile();

protected:
    // Asks before quitting while jobs run; quitting anyway stops them.
    void closeEvent(QCloseEvent *event) override;

private:
    // How long a message stays in the status bar.
    static constexpr int StatusMessageMs = 3000;
    // The rows the list shows at first start without scrolling: a bench's worth of devices.
    static constexpr int FirstViewRows = 6;

    void loadSettings();
    void saveSettings();
    // The file field's text until a file is chosen.
    static QString filenamePrompt();
    void setUpStatusBar();
    void setUpHistory();
    // The size at first start: the list shows FirstViewRows rows and every column whole.
    void fitFirstView();
    // A field reached by Tab keeps its path unselected: the next key must not replace it.
    bool keepFileFieldUnselected(QEvent *event);
    void setUpScanning();
    // After the scan: the jobs take their ports from it.
    void setUpJobs();
    void stopScanning();
    bool withinQuietPeriod() const;
    // While no device is listed the status bar says what the scan found instead.
    void showScanSummary(qsizetype scanned, qsizetype refused);

    void setJobControlsEnabled(bool enabled);
    void showMessage(const QString &text);
    // The common course of both job commands.
    void runJobCommand(const char *name, JobKind kind);
    void startJob(QTreeWidgetItem *row, const JobOrder &order);
    // A selected row that could take no job: the user hears so, here and in the history.
    void reportNotStarted(QTreeWidgetItem *row, JobKind kind);
    // The history and the row's mark get the job's outcome, the batch its count.
    void jobFinished(const JobRecord &record);
    // The record is complete (the firmware after an update is known) and in the job log.
    void jobRecorded(const JobRecord &record, const QString &logError);
    void showBatchSummary(const QString &summary);
    void showDeviceLost(QTreeWidgetItem *row, const QString &port, JobResult::Code result);
    // The job's own result stands; the user learns that its row is missing from the job log.
    void reportLogError(const QString &reason);
    bool confirmQuitWithJobs();
    // Ends every running job after its exchange in progress, and waits for them.
    void stopJobs();

    Ui::ZelkorClass ui;
    std::unique_ptr<DeviceList> deviceList;
    std::unique_ptr<DeviceThread> deviceThread;
    QTimer *refreshTimer = nullptr;
    QLabel *scanSummary = nullptr;
    // The last finished batch of jobs, summed up; messages cover it only for a moment.
    QLabel *batchSummary = nullptr;
    JobHistoryModel *history = nullptr;
    JobHistoryPanel *historyPanel = nullptr;
    JobBatches batches;
    QString openPath;
    // The last job event; scan results that arrive within a refresh interval after it are
    // dropped. Invalid until the first job event: long past.
    QElapsedTimer lastJobTime;
    // Raised while a slot works on the device list, so that scan results leave it alone.
    bool busy = false;
    // A child, so that those who watch the window can follow its jobs.
    JobController *jobs = nullptr;

    // Its tests hold the rebuild off as the job slots do, through busy and lastJobTime, and feed
    // the list themselves with the scan stopped.
    friend class tst_Window;
};

#endif // ZELKOR_H
