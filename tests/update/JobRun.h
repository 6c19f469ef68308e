#ifndef JOBRUN_H
#define JOBRUN_H

#include "ComPort.h"
#include "SimulatedDevice.h"
#include "UpdateThread.h"

#include <QMutex>
#include <QTest>

// What the device was asked once it has logged `expected` requests. It may log the job's last
// frame, which gets no reply, a moment after the job wrote it; a stray frame later still would
// show up within a short pause.
inline QStringList settledRequests(SimulatedDevice *device, qsizetype expected)
{
    device->log().waitForSize(int(expected), 5000);
    QTest::qWait(50);
    return device->log().requests();
}

// One job on a real worker thread, with everything the worker reported, recorded in the
// worker's own thread as it is emitted: the progress values, and each finished() with whether
// another link could open the port as it went out.
class JobRun
{
public:
    struct Report
    {
        QList<int> progress;
        QStringList finishes;
    };

    // Unplugs `device`, if any, in the worker's thread as soon as the worker reports `unplugAt`.
    explicit JobRun(SimulatedDevice *device = nullptr, int unplugAt = 0)
    {
        QObject::connect(
            &thread, &UpdateThread::progress, &thread,
            [=](const QString &, int percents) {
                if (device && percents == unplugAt)
                    device->unplug();
                QMutexLocker lock(&mutex);
                recorded.progress.append(percents);
            },
            Qt::DirectConnection);
        QObject::connect(
            &thread, &UpdateThread::finished, &thread,
            [this](UpdateThread *worker, const QString &port, int updateResult, int calbResult) {
                ComPort other;
                const bool free = other.open(port.toLatin1().constData(), StopBits::Two);
                other.close();
                QMutexLocker lock(&mutex);
                recorded.finishes.append(finish(worker, port, updateResult, calbResult, free));
            },
            Qt::DirectConnection);
    }

    // Runs the job and waits for the run to return; false when it did not in time.
    bool run(const QString &port, const QString &file, bool calibrate, bool update,
             double vref = 12.0)
    {
        thread.setJob(port, file, calibrate, update, vref);
        thread.start();
        return thread.wait(60000);
    }

    // Under the lock: ThreadSanitizer does not see the worker's end inside Qt's wait().
    Report report() const
    {
        QMutexLocker lock(&mutex);
        return recorded;
    }

    // What report().finishes must hold: a single finished() from this worker.
    QStringList once(const QString &port, int updateResult, int calbResult, bool portFree) const
    {
        return {finish(&thread, port, updateResult, calbResult, portFree)};
    }

private:
    static QString finish(const UpdateThread *worker, const QString &port, int updateResult,
                          int calbResult, bool portFree)
    {
        return QString::asprintf("finished(%p, %s, %d, %d), port %s",
                                 static_cast<const void *>(worker), qPrintable(port), updateResult,
                                 calbResult, portFree ? "free" : "held");
    }

    mutable QMutex mutex;
    Report recorded;

public:
    // Last: it goes first, before what it reports into.
    UpdateThread thread;
};

#endif // JOBRUN_H
