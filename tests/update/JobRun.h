#ifndef JOBRUN_H
#define JOBRUN_H

#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class UpdateThread;

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

    // Called in the worker's thread for every progress value, before it is recorded.
    void setProgressHook(std::function<void(int)> hook) { progressHook = std::move(hook); }

    void setJob(const QString &port, const QString &file, bool calibrate, bool update,
                double vref = 12.0);
    // Starts the worker and waits for its run to return; false when it did not in time.
    bool startAndWait(int timeoutMs = 60000);

    QList<int> progress() const;
    QList<Clock::time_point> progressTimes() const;
    QList<Finish> finishes() const;

private:
    std::unique_ptr<UpdateThread> thread;
    std::function<void(int)> progressHook;

    mutable QMutex mutex;
    QList<int> progressValues;
    QList<Clock::time_point> progressAt;
    QList<Finish> finishList;
};

#endif // JOBRUN_H
