#include "JobRun.h"

#include "ComPort.h"
#include "SimulatedPorts.h"
#include "UpdateThread.h"

#include <QTest>

namespace {

QString finish(const UpdateThread *worker, const QString &port, int updateResult, int calbResult,
               bool portFree)
{
    return QString::asprintf("finished(%p, %s, %d, %d), port %s", static_cast<const void *>(worker),
                             qPrintable(port), updateResult, calbResult,
                             portFree ? "free" : "held");
}

} // namespace

QList<WireRecord> settledRecords(SimulatedDevice *device, qsizetype expected)
{
    // Only a device that never logs a request waits this long.
    device->log().waitForSize(int(expected), 5000);
    QTest::qWait(50);
    return device->log().records();
}

QStringList settledRequests(SimulatedDevice *device, qsizetype expected)
{
    QStringList names;
    for (const WireRecord &record : settledRecords(device, expected))
        names << record.request;
    return names;
}

JobRun::JobRun(SimulatedDevice *device, int unplugAt) : thread(std::make_unique<UpdateThread>())
{
    QObject::connect(
        thread.get(), &UpdateThread::progress, thread.get(),
        [this, device, unplugAt](const QString &, int percents) {
            if (device && percents == unplugAt)
                device->unplug();
            QMutexLocker lock(&mutex);
            recorded.progress.append(percents);
            recorded.progressTimes.append(Clock::now());
        },
        Qt::DirectConnection);
    QObject::connect(
        thread.get(), &UpdateThread::finished, thread.get(),
        [this](UpdateThread *worker, const QString &port, int updateResult, int calbResult) {
            ComPort probe;
            const bool free = probe.open(port.toLatin1().constData(), false);
            probe.close();
            QMutexLocker lock(&mutex);
            recorded.finishes.append(finish(worker, port, updateResult, calbResult, free));
        },
        Qt::DirectConnection);
}

JobRun::~JobRun() = default;

bool JobRun::run(const QString &port, const QString &file, bool calibrate, bool update, double vref)
{
    thread->setJob(port, file, calibrate, update, vref);
    thread->start();
    return thread->wait(60000);
}

JobRun::Report JobRun::report() const
{
    QMutexLocker lock(&mutex);
    return recorded;
}

QStringList JobRun::once(const QString &port, int updateResult, int calbResult, bool portFree) const
{
    return {finish(thread.get(), port, updateResult, calbResult, portFree)};
}
