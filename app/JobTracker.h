#ifndef JOBTRACKER_H
#define JOBTRACKER_H

#include "JobLog.h"
#include "JobRecord.h"
#include "TDevices.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

// The window's jobs as the job log and the program's log keep them: who got what, when and
// with what result. A record starts from the device's last scan row; an update that went
// through waits for the next scan that lists its port to learn the firmware it runs now.
class JobTracker
{
public:
    explicit JobTracker(JobLog log = JobLog());

    struct Start
    {
        QString port;
        QStringList rowTexts; // serial number, description, firmware version
        bool update = false;
        bool calibrate = false;
        QString firmwareFile;
        double volts = 0.0;
    };
    void started(const void *job, const Start &start);
    void repeated(const void *job);
    // The job is over with this code (JobResult::Ok or a failure). Rows that could be written
    // and could not are told in error.
    void finished(const void *job, JobResult::Code resultCode, QString *error);
    // A pass's records complete the updates waiting for their new firmware version.
    void scanned(const QList<TDevices> &devices, QString *error);
    // Writes what is still waiting, with the firmware left unknown; before the window goes.
    void flush(QString *error);

private:
    struct Running
    {
        JobRecord record;
        QElapsedTimer clock;
    };
    void write(JobRecord record, QString *error);

    JobLog log;
    QHash<const void *, Running> running;
    QList<JobRecord> awaitingScan;
};

#endif // JOBTRACKER_H
