#include "ProtocolTiming.h"

#include "ComPort.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {
std::atomic<double> timingScale {1.0};
std::atomic<double> tickScale {1.0};
std::atomic<double> timeoutScale {1.0};

double positive(double factor)
{
    return factor < 0.0 ? 0.0 : factor;
}
} // namespace

void ProtocolTiming::pause(int ms)
{
    waitFor(scaled(ms));
}

void ProtocolTiming::tickWait()
{
    waitFor(static_cast<int>(std::lround(tickMs * tickScale.load())));
}

// Elapsed time, in sleeps of at most one poll, so that a stop request ends the wait early.
void ProtocolTiming::waitFor(int length)
{
    // A shortened wait still sleeps between polls instead of spinning; a stretched one still
    // looks for a stop request at the normal rate.
    const int poll = std::clamp(scaled(tickPollMs), 1, tickPollMs);
    QElapsedTimer timer;
    timer.start();
    for (qint64 left = length; left > 0; left = length - timer.elapsed()) {
        if (QThread::currentThread()->isInterruptionRequested())
            return;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(poll, left)));
    }
}

void ProtocolTiming::applyTimeouts(ComPort &link, const LinkTimeouts &timeouts)
{
    LinkTimeouts scaled;
    scaled.readTotalConstant = scaledTimeout(timeouts.readTotalConstant);
    scaled.readTotalMultiplier = scaledTimeout(timeouts.readTotalMultiplier);
    scaled.writeTotalConstant = scaledTimeout(timeouts.writeTotalConstant);
    scaled.writeTotalMultiplier = scaledTimeout(timeouts.writeTotalMultiplier);
    link.setTimeouts(scaled);
}

unsigned ProtocolTiming::scaledTimeout(unsigned ms)
{
    if (ms == 0)
        return 0;
    // A shortened time-out still gives a reply a moment to arrive.
    return std::max(1u, unsigned(std::lround(ms * timeoutScale.load())));
}

void ProtocolTiming::setScale(double factor)
{
    timingScale.store(positive(factor));
    tickScale.store(positive(factor));
}

void ProtocolTiming::setTickScale(double factor)
{
    tickScale.store(positive(factor));
}

void ProtocolTiming::setTimeoutScale(double factor)
{
    timeoutScale.store(positive(factor));
}

int ProtocolTiming::scaled(int ms)
{
    return static_cast<int>(std::lround(ms * timingScale.load()));
}
