#include "SimulatedDevice.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = LineTiming::Clock;

// Even with nothing scheduled the thread looks up now and then; wake-ups are immediate anyway.
constexpr std::chrono::milliseconds LongestSleep {1000};
// Pause after a hang-up on the master side, so that a dead line doesn't spin the thread.
constexpr std::chrono::milliseconds HangUpPause {10};
constexpr int ReadChunk = 4096;
// A program that leaves its receive buffer full this long loses the rest of the reply.
constexpr int WriteTimeoutMs = 1000;

timespec timeoutUntil(Clock::time_point wake)
{
    const Clock::time_point now = Clock::now();
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(
        wake <= now ? Clock::duration::zero()
                    : std::min<Clock::duration>(wake - now, LongestSleep));
    return {time_t(wait.count() / 1000000000), long(wait.count() % 1000000000)};
}

} // namespace

SimulatedDevice::SimulatedDevice(const DeviceProfile &profile) : engine(profile) { }

SimulatedDevice::~SimulatedDevice()
{
    stop();
    if (wakeDescriptor >= 0)
        ::close(wakeDescriptor);
}

bool SimulatedDevice::start()
{
    if (line) {
        error = QStringLiteral("the device has been started before");
        return false;
    }
    line = std::make_unique<PseudoTerminal>();
    if (!line->isOpen()) {
        error = line->errorString();
        return false;
    }
    wakeDescriptor = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeDescriptor < 0) {
        error = QString::fromLocal8Bit(strerror(errno));
        line->unplug();
        return false;
    }
    path = line->portPath();
    worker = std::thread(&SimulatedDevice::run, this);
    return true;
}

void SimulatedDevice::stop()
{
    stopRequested = true;
    std::lock_guard<std::mutex> locker(workerMutex);
    if (!worker.joinable())
        return;
    wake();
    worker.join();
    line->unplug();
    engine.markUnplugged();
}

void SimulatedDevice::run()
{
    const DeviceEngine::StopBitQuery stopBits = [this] { return oneStopBit(); };
    while (!stopRequested) {
        const Clock::time_point now = Clock::now();
        engine.serve(now, stopBits);
        const QByteArray output = engine.takeOutput(now);
        if (!output.isEmpty())
            line->write(output, WriteTimeoutMs);
        if (engine.wantsUnplug()) {
            line->unplug();
            engine.markUnplugged();
            return;
        }
        waitForInput(engine.nextWake());
    }
}

void SimulatedDevice::waitForInput(Clock::time_point wake)
{
    pollfd descriptors[2] = {{line->masterDescriptor(), POLLIN, 0}, {wakeDescriptor, POLLIN, 0}};
    const timespec timeout = timeoutUntil(wake);
    if (ppoll(descriptors, 2, &timeout, nullptr) <= 0)
        return;
    if (descriptors[1].revents & POLLIN) {
        eventfd_t ignored;
        eventfd_read(wakeDescriptor, &ignored);
    }
    if (descriptors[0].revents & POLLIN) {
        // Stamped once read: a byte the program wrote while the read ran must not count as
        // received before it was written.
        const QByteArray bytes = line->read(ReadChunk, 0);
        engine.receive(bytes, Clock::now());
    } else if (descriptors[0].revents & (POLLHUP | POLLERR))
        std::this_thread::sleep_for(HangUpPause);
}

bool SimulatedDevice::oneStopBit() const
{
    termios settings {};
    return line->lineSettings(&settings) && !(settings.c_cflag & CSTOPB);
}

void SimulatedDevice::wake()
{
    if (wakeDescriptor >= 0)
        eventfd_write(wakeDescriptor, 1);
}
