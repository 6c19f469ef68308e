#ifndef ZELKOR_H
#define ZELKOR_H

#include "DeviceList.h"
#include "JobResult.h"
#include "JobTracker.h"
#include "TDevices.h"
#include "ui_Zelkor.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>

class DeviceThread;
class QLabel;
class QTimer;
class QTreeWidgetItem;
class UpdateThread;

// The job slots pass workers by pointer; the meta-object needs the whole class.
Q_MOC_INCLUDE("UpdateThread.h")

// The main window: the device list, kept current by the scan worker, the firmware file and the
// job controls.
class Zelkor : public QMainWindow
{
    Q_OBJECT

public:
    explicit Zelkor(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    // Ends a running scan pass early and stops any job still running, and waits for them
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
    // A job's progress or failure code, shown in its row (and a failure in the status bar).
    void updateProgress(QString devicename, int percents);
    // Settles a job's row, checks an updated device once more and repeats the update when the
    // device still asks for firmware; otherwise disposes of the worker and frees the port.
    void updateFinished(UpdateThread *thread, QString devicename, int update_result,
                        int calb_result);
    void selectionChanged();

protected:
    // Asks before quitting while jobs run; quitting anyway stops them.
    void closeEvent(QCloseEvent *event) override;

private:
    // How long a message stays in the status bar.
    static constexpr int StatusMessageMs = 3000;

    void loadSettings();
    void saveSettings();
    // The file field's text until a file is chosen.
    static QString filenamePrompt();
    void chooseFirmwareFile();
    void setUpScanning();
    void stopScanning();
    bool withinQuietPeriod() const;
    // While no device is listed the status bar says what the scan found instead.
    void showScanSummary(qsizetype scanned, qsizetype refused);

    void setJobControlsEnabled(bool enabled);
    void showMessage(const QString &text);
    // The common course of both job commands; the calibration lets the event loop run before it
    // blocks the list's signals, the update after.
    void runJobCommand(const char *name, bool calibrate, bool update, bool blockSignalsFirst);
    // One job per usable selected row; false when no row could take one.
    bool startJobs(bool calibrate, bool update);
    // Takes a port away from the scan and waits until the scan has let go of it.
    void reservePort(QString port);
    void showDeviceLost(QTreeWidgetItem *row, const QString &port, JobResult::Code result);
    void reportLogError(const QString &error);
    // The firmware check on a link of the window's own: see ModeProbe::FirmwareState.
    int checkFirmware(QString port);
    bool confirmQuitWithJobs();
    // Ends every running job after its exchange in progress and waits for the workers.
    void stopJobs();

    Ui::ZelkorClass ui;
    std::unique_ptr<DeviceList> deviceList;
    std::unique_ptr<DeviceThread> deviceThread;
    QTimer *refreshTimer = nullptr;
    QLabel *scanSummary = nullptr;
    QString openPath;
    // The last job event; scan results that arrive within a refresh interval after it are
    // dropped. Invalid until the first job event: long past.
    QElapsedTimer lastJobTime;
    // Raised while a slot works on the device list, so that scan results leave it alone.
    bool busy = false;
    // Workers whose job has started and not yet been settled by updateFinished; the window
    // must stop them before it goes.
    QSet<UpdateThread *> runningJobs;
    // How often each running job was repeated because its device still asked for firmware.
    QHash<UpdateThread *, int> updateRepeats;
    // Every job into the job log and the program's log.
    JobTracker jobTracker;

    // Its tests hold the rebuild off as the job slots do, through busy and lastJobTime, and
    // follow the workers the window runs.
    friend class tst_Window;
};

#endif // ZELKOR_H
