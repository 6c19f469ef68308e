#include "DeviceNodeWatcher.h"
#include "DeviceThread.h"
#include "Zelkor.h"

#include <QTimer>

namespace {
// One pass per tick at most; also the quiet period after a job event.
constexpr int RefreshIntervalMs = 1000;
} // namespace

void Zelkor::setUpScanning()
{
    refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, &Zelkor::refresh);
    refreshTimer->setInterval(RefreshIntervalMs);

    deviceThread = std::make_unique<DeviceThread>();
    // The pass emits from its own thread; the queued call must copy the lists.
    registerDeviceMetaTypes();
    connect(deviceThread.get(), &DeviceThread::finish, this, &Zelkor::add_items);

    // A plugged-in adapter is scanned at once; the timer stays as the fallback.
    connect(new DeviceNodeWatcher(this), &DeviceNodeWatcher::portAppeared, this, &Zelkor::refresh);

    // The first devices show up without waiting for the first tick.
    refresh();
    refreshTimer->start();
}

void Zelkor::stopScanning()
{
    // No tick may start another pass while the worker goes.
    refreshTimer->stop();
    // The worker's destructor ends a running pass after the exchange in progress and waits for
    // it, so the thread is never destroyed while it runs.
    deviceThread.reset();
}

void Zelkor::refresh()
{
    if (!deviceThread->isRunning())
        deviceThread->start(QThread::InheritPriority);
}
