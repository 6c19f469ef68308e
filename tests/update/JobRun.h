#ifndef JOBRUN_H
#define JOBRUN_H

#include "WireLog.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class SimulatedDevice;
class UpdateThread;

// What the device received once a job is over, when it has logged `expected` requests. It may
// log the job's last frame, which gets no reply, a moment after the job wrote it; a stray frame
// later still would show up within a short pause.
QList<WireRecord> settledRecords(SimulatedDevice *device, qsizetype expected);

// One job on a real worker thread, with everything the worker reported. The signals are
// recorded in the worker's own thread, as they are emitted.
class JobRun : public QObject
{
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    struct Finish
    {
        UpdateThread *thread = nullptr;
        QString devicename;
        int updateResult = 0;
        int calbResult = 0;
        // Whether another link could open the port at the moment finished() went out.
        bool portFree = false;
    };

    JobRun();
    ~JobRun() override;

    UpdateThread &worker() { return *thread; }

    // Unplugs the device in the worker's thread as soon as the worker reports percents.
    void unplugAt(int percents, SimulatedDevice *device);

    void setJob(const QString &port, const QString &file, bool calibrate, bool update,
                double vref = 12.0);
    // Starts the worker and waits for its run to return; false when it did not in time.
    bool startAndWait(int timeoutMs = 60000);

    QList<int> progress() const;
    QList<Clock::time_point> progressTimes() const;
    QList<Finish> finishes() const;

    static qint64 msBetween(Clock::time_point from, Clock::time_point to)
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
    }

private:
    std::unique_ptr<UpdateThread> thread;
    int unplugPercents = 0;
    SimulatedDevice *unplugged = nullptr;

    mutable QMutex mutex;
    QList<int> progressValues;
    QList<Clock::time_point> progressAt;
    QList<Finish> finishList;
};

#endif // JOBRUN_H
