#ifndef DEVICEJOB_H
#define DEVICEJOB_H

#include "JobOrder.h"
#include "JobProgress.h"
#include "JobRecord.h"
#include "JobResult.h"
#include "ModeProbe.h"
#include "OffThread.h"
#include "TDevices.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class DeviceThread;
class UpdateThread;

// One device's job from start to end, as both programs run it: the port taken from the scan,
// the worker, for an update the check on a link of its own and the whole job again while the
// device still asks for firmware (order.repeats times at most), the port given back, and the
// job's record. The slow steps (the wait for the scan to let go of the port, the firmware
// file's hash, the one-port scans, the check) run in a helper thread: the thread that owns the
// job never waits for a device.
//
// With the window's scanner the job takes its port from it and gives it back, and the
// device's identity comes from the scanner's last pass; the firmware an update left is then
// for the scanner's next pass to tell (awaitsScan). Without one the job scans its port itself,
// before and after.
class DeviceJob : public QObject
{
    Q_OBJECT

public:
    DeviceJob(const QString &port, const JobOrder &order, DeviceThread *scanner);
    // Stops the helper's work and waits for the worker.
    ~DeviceJob() override;

    // lastSeen: the scanner's last record of the port, if it has one.
    void start(const std::optional<TDevices> &lastSeen);
    // Ends the job after the exchange in progress and waits until it has: a job not yet over
    // ends as interrupted, and its device may be left half-written. Nothing more is reported.
    void abandon();

    bool isOver() const { return over; }
    // Over, and its record waits for a scan pass to tell the firmware now running.
    bool awaitsScan() const { return waitingForScan; }
    const JobRecord &record() const { return rec; }
    // The device after the job (its firmware and serial number), as a scan pass found it;
    // none: unknown.
    void setSeenAfter(const std::optional<TDevices> &device);

signals:
    // The first run of the worker begins.
    void started(DeviceJob *job);
    void progress(QString port, JobProgress progress);
    // The worker's failure, as it happened; the job's result follows with finished(). defect:
    // what is wrong with the firmware file, for a failure of the file.
    void failed(QString port, JobResult::Code code, FirmwareFileDefect defect);
    // The device still asks for firmware: the whole job runs again.
    void repeating(QString port);
    // The job is over and its port is back with the scan; the record is complete, but for
    // the firmware after it while it awaitsScan().
    void finished(DeviceJob *job);

private:
    void prepare(const std::optional<TDevices> &lastSeen);
    void takeIdentity();
    void beginRun();
    void workerProgress(int percents);
    void workerFinished(int updateResult, int calibrationResult);
    void check();
    void settle();
    void repeat();
    void confirm(JobResult::Code result);
    void end(JobResult::Code result);
    void takeSeenAfter(const std::optional<TDevices> &device);

    const JobOrder order;
    DeviceThread *const scanner;
    std::unique_ptr<UpdateThread> worker;
    OffThread helper;
    QElapsedTimer clock;
    JobRecord rec;
    bool over = false;
    bool waitingForScan = false;
    JobResult::Code workerResult = JobResult::Ok;
    // The job's result, once only the scan after it is left.
    std::optional<JobResult::Code> settled;

    // Written by the helper, read once it has ended.
    std::optional<TDevices> seenBefore;
    std::optional<TDevices> seenAfter;
    QString firmwareSha256;
    ModeProbe::FirmwareState firmwareState = ModeProbe::Unrecognised;
};

#endif // DEVICEJOB_H
