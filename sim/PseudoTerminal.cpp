#include "PseudoTerminal.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? int(left.count()) : 0;
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        error = QString::fromLocal8Bit(strerror(errno));
        unplug();
        return;
    }
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) {
        error = QString::fromLocal8Bit(strerror(errno));
        unplug();
        return;
    }
    path = QString::fromLocal8Bit(name);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);

    // Raw from the start: a fresh pseudo-terminal echoes and translates, which would bounce the
    // device's replies back to it before the program has configured the port.
    slaveKeeper = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    termios settings {};
    if (slaveKeeper < 0 || tcgetattr(slaveKeeper, &settings) != 0) {
        error = QString::fromLocal8Bit(strerror(errno));
        unplug();
        return;
    }
    cfmakeraw(&settings);
    tcsetattr(slaveKeeper, TCSANOW, &settings);
}

PseudoTerminal::~PseudoTerminal()
{
    unplug();
}

QByteArray PseudoTerminal::read(int maxBytes, int timeoutMs)
{
    QByteArray data;
    if (master < 0 || maxBytes <= 0)
        return data;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    while (data.size() < maxBytes) {
        char buffer[4096];
        const ssize_t n =
            ::read(master, buffer, size_t(qMin<int>(maxBytes - data.size(), sizeof buffer)));
        if (n > 0) {
            data.append(buffer, int(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        pollfd pfd {master, POLLIN, 0};
        const int wait = timeoutMs < 0 ? -1 : remainingMs(deadline);
        if (timeoutMs >= 0 && wait == 0)
            break;
        if (poll(&pfd, 1, wait) <= 0 && errno != EINTR)
            break;
    }
    return data;
}

bool PseudoTerminal::write(const QByteArray &data, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(qMax(timeoutMs, 0));
    qsizetype sent = 0;
    while (master >= 0 && sent < data.size()) {
        const ssize_t n = ::write(master, data.constData() + sent, size_t(data.size() - sent));
        if (n > 0) {
            sent += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (timeoutMs >= 0 && remainingMs(deadline) == 0)
            return false;
        pollfd pfd {master, POLLOUT, 0};
        poll(&pfd, 1, timeoutMs < 0 ? 100 : qMin(100, remainingMs(deadline)));
    }
    return master >= 0;
}

void PseudoTerminal::discardInput()
{
    if (master >= 0)
        tcflush(master, TCIFLUSH);
}

bool PseudoTerminal::lineSettings(termios *settings) const
{
    return master >= 0 && tcgetattr(master, settings) == 0;
}

void PseudoTerminal::unplug()
{
    if (slaveKeeper >= 0)
        ::close(slaveKeeper);
    if (master >= 0)
        ::close(master);
    slaveKeeper = master = -1;
}
