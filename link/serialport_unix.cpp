#include "Rfc2217Line.h"
#include "UucpLock.h"
#include "serialport_unix_p.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

constexpr speed_t LineSpeed = B115200;
constexpr int LineBitsPerSecond = 115200;
constexpr int BitsPerCharacter = 11; // start bit, 8 data bits, 2 stop bits
constexpr short HangUpEvents = POLLHUP | POLLERR | POLLNVAL;

// A write waits for its bytes to leave the output queue. The first look comes after a few tens
// of microseconds, since the bytes usually leave at once; each further wait is twice as long (up
// to a second), but no longer than the queued bytes need on the line (or 1 ms, for a few bytes
// that linger) and never past the deadline.
constexpr microseconds FirstDrainWait {20};
constexpr microseconds LongestDrainWait {1000000};
constexpr microseconds LingeringBytesWait {1000};

class Deadline
{
public:
    explicit Deadline(qint64 ms)
        : end(Clock::now() + std::chrono::milliseconds(std::max<qint64>(ms, 0)))
    { }

    // Whole milliseconds left, rounded up so that a poll never wakes before the deadline and
    // spins; 0 once it has passed.
    int remainingMs() const
    {
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(remaining()).count();
        return int(std::min<qint64>(ms, INT_MAX));
    }

    // Microseconds left, rounded up in the same way; 0 once the deadline has passed.
    microseconds remaining() const
    {
        const auto left = end - Clock::now();
        return left <= Clock::duration::zero() ? microseconds::zero()
                                               : std::chrono::ceil<microseconds>(left);
    }

private:
    Clock::time_point end;
};

bool isTransient(int error)
{
    return error == EAGAIN || error == EINTR;
}

// Waits up to `wait` for the events; answers the events that came (0 when none), or -1 when
// poll itself failed.
int waitFor(int fd, short events, microseconds wait)
{
    pollfd pfd {fd, events, 0};
    const timespec timeout {time_t(wait.count() / 1000000), long(wait.count() % 1000000) * 1000};
    const int ready = ppoll(&pfd, 1, &timeout, nullptr);
    if (ready < 0)
        return isTransient(errno) ? 0 : -1;
    return ready == 0 ? 0 : pfd.revents;
}

int waitFor(int fd, short events, int waitMs)
{
    return waitFor(fd, events, microseconds(std::chrono::milliseconds(waitMs)));
}

microseconds lineTime(int bytes)
{
    return microseconds(qint64(bytes) * BitsPerCharacter * 1000000 / LineBitsPerSecond);
}

// tcdrain() waits without limit, so the output queue is watched instead: the bytes have left
// when it is empty. Answers 0, or the error number of the failure.
int drainOutput(int fd, const Deadline &deadline)
{
    microseconds next = FirstDrainWait;
    for (;;) {
        int queued = 0;
        if (ioctl(fd, TIOCOUTQ, &queued) != 0)
            return errno;
        if (queued == 0)
            return 0;
        const microseconds left = deadline.remaining();
        if (left == microseconds::zero())
            return ETIMEDOUT;
        const microseconds wait =
            std::min({next, std::max(lineTime(queued), LingeringBytesWait), left});
        // No events asked for: poll returns early only when the line hangs up.
        const int events = waitFor(fd, 0, wait);
        if (events < 0)
            return errno;
        if (events & HangUpEvents)
            return EIO;
        next = std::min(2 * next, LongestDrainWait);
    }
}

// DTR high, RTS low. A pseudo-terminal has no modem lines and refuses both; that is no error.
void setModemLines(int fd)
{
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &dtr);
    ioctl(fd, TIOCMBIC, &rts);
}

// USB adapters otherwise hold received bytes back for up to 16 ms; a refusal only costs speed.
void requestLowLatency(int fd)
{
    serial_struct serial {};
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &serial);
    }
}

bool settingsTaken(int fd, const termios &wanted)
{
    constexpr tcflag_t Framing = CSIZE | CSTOPB | PARENB | CRTSCTS;
    termios applied {};
    return tcgetattr(fd, &applied) == 0 && (applied.c_cflag & Framing) == (wanted.c_cflag & Framing)
        && cfgetispeed(&applied) == LineSpeed && cfgetospeed(&applied) == LineSpeed;
}

} // namespace

PortError TerminalLine::systemError(int code)
{
    PortError::Kind kind = PortError::Io;
    switch (code) {
    case ENOENT:
    case ENOTDIR:
        kind = PortError::NotFound;
        break;
    case EACCES:
    case EPERM:
        kind = PortError::Permission;
        break;
    case EBUSY:
        kind = PortError::Busy;
        break;
    case ENOTTY:
        kind = PortError::NotATerminal;
        break;
    case ETIMEDOUT:
        kind = PortError::Timeout;
        break;
    default:
        break;
    }
    return {kind, qt_error_string(code)};
}

std::unique_ptr<SerialLine> SerialLine::openRemote(const QString &devicePath, PortError *error)
{
    return Rfc2217Line::open(devicePath, error);
}

std::unique_ptr<SerialLine> SerialLine::openLocal(const QString &devicePath, PortError *error)
{
    const auto refuse = [error](int code) {
        *error = TerminalLine::systemError(code);
        return nullptr;
    };
    if (devicePath.isEmpty())
        return refuse(ENOENT);
    const int fd = ::open(QFile::encodeName(devicePath).constData(),
                          O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(errno);

    // Protocol bytes go to terminals only, never into a file or socket that a wrong path names.
    // One opener at a time: a UUCP lock file of a running program (ser2net, minicom) is
    // honoured; flock binds other processes and root alike, and dies with its holder; TIOCEXCL
    // keeps out plain opens by other users. Whether someone holds the port is
    // judged by the lock alone: the exclusive flag outlives a holder that was killed, and would
    // hide the device for good.
    int refusal = 0;
    if (!isatty(fd))
        refusal = ENOTTY;
    else if (UucpLock::holder(devicePath) != 0)
        refusal = EBUSY;
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        refusal = errno == EWOULDBLOCK ? EBUSY : errno;
    else if (ioctl(fd, TIOCEXCL) != 0)
        refusal = errno;
    if (refusal != 0) {
        ::close(fd);
        return refuse(refusal);
    }
    *error = {};
    return std::make_unique<TerminalLine>(fd);
}

TerminalLine::~TerminalLine()
{
    close();
}

bool TerminalLine::configure(StopBits stopBits)
{
    termios line {};
    if (tcgetattr(fd, &line) != 0)
        return fail(systemError(errno));
    cfmakeraw(&line);
    line.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR);
    line.c_cflag &= ~(CSTOPB | CRTSCTS | PARENB);
    line.c_cflag |= CS8 | CREAD | CLOCAL | (stopBits == StopBits::Two ? CSTOPB : 0);
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (cfsetispeed(&line, LineSpeed) != 0 || cfsetospeed(&line, LineSpeed) != 0
        || tcsetattr(fd, TCSANOW, &line) != 0)
        return fail(systemError(errno));
    if (!settingsTaken(fd, line))
        return fail(systemError(EINVAL));
    setModemLines(fd);
    requestLowLatency(fd);
    return true;
}

bool TerminalLine::close()
{
    if (fd < 0)
        return true;
    // The simulator keeps its own descriptor of the line open, so the terminal outlives this
    // one; a flag left set would lock every later opener out.
    ioctl(fd, TIOCNXCL);
    const bool closed = ::close(fd) == 0;
    fd = -1;
    return closed || fail(systemError(errno));
}

bool TerminalLine::discardInput()
{
    return tcflush(fd, TCIFLUSH) == 0 || fail(systemError(errno));
}

qint64 TerminalLine::failed(int code)
{
    fail(systemError(code));
    return -1;
}

qint64 TerminalLine::write(const void *data, unsigned len, qint64 timeoutMs)
{
    const auto *bytes = static_cast<const char *>(data);
    const Deadline deadline(timeoutMs);
    unsigned sent = 0;
    while (sent < len) {
        const ssize_t n = ::write(fd, bytes + sent, len - sent);
        if (n > 0) {
            sent += unsigned(n);
            continue;
        }
        if (n < 0 && !isTransient(errno))
            return failed(errno);
        const int waitMs = deadline.remainingMs();
        if (waitMs == 0)
            return failed(ETIMEDOUT);
        const int events = waitFor(fd, POLLOUT, waitMs);
        if (events < 0)
            return failed(errno);
        if (events & HangUpEvents)
            return failed(EIO);
    }
    const int drainError = drainOutput(fd, deadline);
    return drainError == 0 ? qint64(sent) : failed(drainError);
}

qint64 TerminalLine::read(void *data, unsigned len, qint64 timeoutMs)
{
    auto *bytes = static_cast<char *>(data);
    const Deadline deadline(timeoutMs);
    unsigned got = 0;
    bool hungUp = false;
    while (got < len) {
        const ssize_t n = ::read(fd, bytes + got, len - got);
        if (n > 0) {
            got += unsigned(n);
            continue;
        }
        // With VMIN = VTIME = 0 a terminal answers 0 when nothing is waiting; after a hang-up
        // that means nothing will ever come.
        if (n < 0 && !isTransient(errno))
            return failed(errno);
        if (hungUp)
            return failed(EIO);
        const int waitMs = deadline.remainingMs();
        if (waitMs == 0)
            break;
        const int events = waitFor(fd, POLLIN, waitMs);
        if (events < 0)
            return failed(errno);
        hungUp = events & HangUpEvents;
    }
    return got;
}
