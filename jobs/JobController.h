#ifndef JOBCONTROLLER_H
#define JOBCONTROLLER_H

#include "JobKind.h"
#include "JobLog.h"
#include "JobOrder.h"
#include "JobProgress.h"
#include "JobRecord.h"
#include "JobResult.h"
#include "OffThread.h"
#include "TDevices.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class DeviceJob;
class DeviceThread;

// The jobs of one program, the window's or zelkor-cli's: starts one DeviceJob per port, passes
// on what they report as typed values, and puts every job's record into the job log and the
// program's log. Rows are written in a thread of their own; nothing here waits for a device or
// a disk but the shutdown.
//
// With the window's scanner, each job takes its port from the scan and gives it back, the
// device's identity comes from the scanner's last pass, and an update's record waits for the
// next pass that lists its port to learn the firmware now running.
class JobController : public QObject
{
    Q_OBJECT

public:
    // program: its name in the job log.
    JobController(const QString &program, const JobLog &log, DeviceThread *scanner = nullptr);
    // Stops what still runs (stopAll).
    ~JobController() override;

    void start(const QString &port, const JobOrder &order);
    // Ends every job after its exchange in progress, and writes every record still to be
    // written (the firmware after an update then unknown). Returns when all that is done;
    // rows of later jobs are written at once.
    void stopAll();

    // Jobs started and not yet over.
    int running() const;

signals:
    void progress(QString port, JobProgress progress);
    // defect: what is wrong with the firmware file, for a failure of the file.
    void failed(QString port, JobResult::Code code, FirmwareFileDefect defect);
    void repeating(QString port);
    // The job on the port is over: its result is final and its port is back with the scan.
    // With the window's scanner the firmware after an update is not known yet: recorded()
    // brings it.
    void finished(JobRecord record);
    // The job's row is in the job log, or could not be written (reason not empty).
    void recorded(JobRecord record, QString reason);

private:
    void jobStarted(DeviceJob *job);
    void jobFinished(DeviceJob *job);
    void scanned(const QList<TDevices> &devices);
    // The job goes; its record joins the queue of rows to write.
    void record(DeviceJob *job);
    void writeNext();
    void written();

    const QString program;
    const JobLog log;
    DeviceThread *const scanner;
    // Children, until their record is taken for writing.
    QList<DeviceJob *> jobs;
    // The scanner's last record of each port.
    QHash<QString, TDevices> lastSeen;
    // Records waiting for the writer, and the one it writes with the reason it failed.
    QList<JobRecord> pending;
    OffThread writer;
    JobRecord writing;
    QString writeError;
    bool stopped = false;
};

#endif // JOBCONTROLLER_H
