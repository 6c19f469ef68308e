#ifndef PORTJOB_H
#define PORTJOB_H

#include "JobOrder.h"
#include "JobRecord.h"
#include "JobResult.h"
#include "TDevices.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QThread;
class UpdateThread;

// One port's job, as the window runs it: a scan of the port for the device's identity, the
// worker, then for an update the check on a link of its own, and the same job again while the
// device still asks for firmware, at most order.repeats times. A job that succeeded ends with a
// scan of its port for the firmware now running. Scans and check run off the caller's thread,
// so the jobs of many ports do them side by side. Lives in the thread that starts it; done()
// comes once, with the record complete but for the host and the program.
class PortJob : public QObject
{
    Q_OBJECT

public:
    PortJob(const QString &port, const JobOrder &order);
    ~PortJob() override;

    void start();
    // Stops the job after the exchange in progress; it ends as interrupted unless it has
    // already succeeded.
    void stop();

    QString port() const { return record.port; }
    const JobRecord &result() const { return record; }

signals:
    void progress(QString port, int percents);
    // Another run of the same job begins.
    void repeating(QString port);
    void done(PortJob *job);

private:
    // Runs work in a thread of its own, then next in this one.
    void offThread(std::function<void()> work, void (PortJob::*next)());
    void beginRun();
    void workerFinished(int updateResult, int calibrationResult);
    void afterRun(bool checkFirmware);
    void settle();
    void end(JobResult::Code resultCode);

    const JobOrder order;
    std::unique_ptr<UpdateThread> worker;
    // The scans and the check after the update.
    QThread *helper = nullptr;
    JobResult::Code workerResult = JobResult::Ok;
    std::optional<int> firmwareState;
    TDevices scanned;
    bool stopping = false;
    bool ended = false;
    QElapsedTimer clock;
    JobRecord record;
};

#endif // PORTJOB_H
