#include "JobRun.h"

#include "ComPort.h"
#include "SimulatedPorts.h"
#include "UpdateThread.h"

#include <QTest>

namespace {

// Only a device that never logs a request waits this long.
constexpr int DeviceLagMs = 5000;
constexpr int StrayFrameMs = 50;

} // namespace

QList<WireRecord> settledRecords(SimulatedDevice *device, qsizetype expected)
{
    device->log().waitForSize(int(expected), DeviceLagMs);
    QTest::qWait(StrayFrameMs);
    return device->log().records();
}

JobRun::JobRun() : thread(std::make_unique<UpdateThread>())
{
    connect(
        thread.get(), &UpdateThread::progress, this,
        [this](const QString &, int percents) {
            if (unplugged && percents == unplugPercents)
                unplugged->unplug();
            QMutexLocker lock(&mutex);
            progressValues.append(percents);
            progressAt.append(Clock::now());
        },
        Qt::DirectConnection);
    connect(
        thread.get(), &UpdateThread::finished, this,
        [this](UpdateThread *worker, const QString &devicename, int update_result,
               int calb_result) {
            ComPort probe;
            const bool free = probe.open(devicename.toLatin1().constData(), false);
            probe.close();
            QMutexLocker lock(&mutex);
            finishList.append({worker, devicename, update_result, calb_result, free});
        },
        Qt::DirectConnection);
}

JobRun::~JobRun() = default;

void JobRun::unplugAt(int percents, SimulatedDevice *device)
{
    unplugPercents = percents;
    unplugged = device;
}

void JobRun::setJob(const QString &port, const QString &file, bool calibrate, bool update,
                    double vref)
{
    thread->setJob(port, file, calibrate, update, vref);
}

bool JobRun::startAndWait(int timeoutMs)
{
    thread->start();
    return thread->wait(timeoutMs);
}

QList<int> JobRun::progress() const
{
    QMutexLocker lock(&mutex);
    return progressValues;
}

QList<JobRun::Clock::time_point> JobRun::progressTimes() const
{
    QMutexLocker lock(&mutex);
    return progressAt;
}

QList<JobRun::Finish> JobRun::finishes() const
{
    QMutexLocker lock(&mutex);
    return finishList;
}
