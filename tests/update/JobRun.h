#ifndef JOBRUN_H
#define JOBRUN_H

#include "WireLog.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

class SimulatedDevice;
class UpdateThread;

// What the device received once it has logged `expected` requests. It may log the job's last
// frame, which gets no reply, a moment after the job wrote it; a stray frame later still would
// show up within a short pause.
QList<WireRecord> settledRecords(SimulatedDevice *device, qsizetype expected);
QStringList settledRequests(SimulatedDevice *device, qsizetype expected);

// One job on a real worker thread, with everything the worker reported, recorded in the
// worker's own thread as it is emitted.
class JobRun
{
public:
    using Clock = std::chrono::steady_clock;

    struct Report
    {
        QList<int> progress;
        QList<Clock::time_point> progressTimes;
        // Each finished() as once() writes it, with whether another link could open the port
        // at the moment it went out.
        QStringList finishes;
    };

    // Unplugs `device`, if any, in the worker's thread as soon as the worker reports `unplugAt`.
    explicit JobRun(SimulatedDevice *device = nullptr, int unplugAt = 0);
    ~JobRun();

    UpdateThread &worker() { return *thread; }
    // Runs the job and waits for the run to return; false when it did not in time.
    bool run(const QString &port, const QString &file, bool calibrate, bool update,
             double vref = 12.0);
    Report report() const;
    // What report().finishes must hold: a single finished() from this worker.
    QStringList once(const QString &port, int updateResult, int calbResult, bool portFree) const;

    static qint64 msBetween(Clock::time_point from, Clock::time_point to)
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
    }

private:
    std::unique_ptr<UpdateThread> thread;
    mutable QMutex mutex;
    Report recorded;
};

#endif // JOBRUN_H
