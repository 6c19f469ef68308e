#include "ProtocolTiming.h"

#include "ComPort.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {
std::atomic<double> timingScale {1.0};
std::atomic<double> timeoutScale {1.0};

double positive(double factor)
{
    return factor < 0.0 ? 0.0 : factor;
}
} // namespace

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

bool ProtocolTiming::applyTimeouts(ComPort &link, const LinkTimeouts &timeouts)
{
    return link.setTimeouts(
        scaledTimeout(timeouts.readInterval), scaledTimeout(timeouts.readTotalConstant),
        scaledTimeout(timeouts.readTotalMultiplier), scaledTimeout(timeouts.writeTotalConstant),
        scaledTimeout(timeouts.writeTotalMultiplier));
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
}

void ProtocolTiming::setTimeoutScale(double factor)
{
    timeoutScale.store(positive(factor));
}

int ProtocolTiming::scaled(int ms)
{
    return static_cast<int>(std::lround(ms * timingScale.load()));
}
