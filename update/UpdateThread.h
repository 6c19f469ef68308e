#ifndef UPDATETHREAD_H
#define UPDATETHREAD_H

#include "FirmwareFileDefect.h"
#include "JobResult.h"

#include <QMutex>
#include <QString>
#include <QThread>

#include <memory>

class ComPort;

// Runs one job on one device in a thread of its own: a firmware update, a calibration, or an
// update followed by a calibration. It owns the device's link and reports only through its
// two signals; the port is always closed before finished() goes out.
class UpdateThread : public QThread
{
    Q_OBJECT

signals:
    // Update percents 0 to 100, calibration steps 200 to 220, or a negative failure code.
    void progress(QString devicename, int percents);
    // The last act of every run.
    void finished(UpdateThread *thread, QString devicename, int update_result, int calb_result);

public:
    UpdateThread();
    ~UpdateThread() override;

    void setJob(QString devicename, QString filename, bool calibrate, bool update, double vref);
    bool calibrate() const { return doCalibrate; }
    bool update() const { return doUpdate; }

    // Runs the same job again once the previous run has returned. Call it from the thread
    // that owns the worker, never from the worker's own thread.
    void restart();
    // Abandons the job (the program is quitting): the link closes once the exchange in
    // progress is over, every later exchange fails at once and the pauses end, so run()
    // returns soon; wait() for it. A device may be left half-written.
    void requestStop();

    // What was wrong with the firmware file when the job failed for it.
    FirmwareFileDefect fileDefect() const;

    // The calibration procedure on the open link; Ok or a calibration failure code.
    JobResult::Code calibrateDevice();

protected:
    void run() override;

private:
    // Opens the device's port; one held by another opener gets a moment to come free.
    bool openLink();
    void endWithUpdateFailure(JobResult::Code code);
    void reportProgress(int percents);

    std::unique_ptr<ComPort> link;
    QString devicename;
    QString filename;
    bool doCalibrate = false;
    bool doUpdate = false;
    double vref = 0.0;
    // Whether the loader has shown it fills in check values: for the whole job, restarts too.
    bool loaderRepliesChecked = false;
    // Written by the worker's thread, read by the owner's.
    mutable QMutex defectMutex;
    FirmwareFileDefect firmwareDefect;
};

#endif // UPDATETHREAD_H
