#include "ProtocolTiming.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {
std::atomic<double> timingScale {1.0};
}

void ProtocolTiming::pause(int ms)
{
    const int length = scaled(ms);
    if (length > 0)
        QThread::msleep(static_cast<unsigned long>(length));
}

void ProtocolTiming::tickWait()
{
    const int length = scaled(tickMs);
    // A shortened tick still sleeps between polls instead of spinning.
    const int poll = std::max(1, scaled(tickPollMs));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < length)
        QThread::msleep(static_cast<unsigned long>(poll));
}

void ProtocolTiming::setScale(double factor)
{
    timingScale.store(factor < 0.0 ? 0.0 : factor);
}

double ProtocolTiming::scale()
{
    return timingScale.load();
}

int ProtocolTiming::scaled(int ms)
{
    return static_cast<int>(std::lround(ms * timingScale.load()));
}
