#include "SecondOpener.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

SecondOpener::SecondOpener(const QString &devicePath)
    : fd(::open(QFile::encodeName(devicePath).constData(),
                O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{ }

SecondOpener::~SecondOpener()
{
    if (madeExclusive)
        ioctl(fd, TIOCNXCL);
    if (fd >= 0)
        ::close(fd);
}

bool SecondOpener::lock()
{
    return flock(fd, LOCK_EX | LOCK_NB) == 0;
}

bool SecondOpener::makeExclusive()
{
    madeExclusive = ioctl(fd, TIOCEXCL) == 0;
    return madeExclusive;
}

bool SecondOpener::isExclusive() const
{
    int exclusive = 0;
    return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

bool SecondOpener::waitForPendingInput(int bytes, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    int pending = 0;
    while (ioctl(fd, FIONREAD, &pending) != 0 || pending < bytes) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(1);
    }
    return true;
}
