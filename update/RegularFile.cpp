#include "RegularFile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

namespace {

constexpr unsigned long LockPollMs = 1;

int openChecked(const QString &path, int flags, mode_t mode, bool followLink)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    // Checked before the open too: opening a device node can have effects of its own.
    const int found =
        followLink ? ::stat(name.constData(), &status) : ::lstat(name.constData(), &status);
    if (found == 0 && !S_ISREG(status.st_mode)) {
        errno = S_ISLNK(status.st_mode) ? ELOOP : EINVAL;
        return -1;
    }
    const int noFollow = followLink ? 0 : O_NOFOLLOW;
    const int fd =
        ::open(name.constData(), flags | noFollow | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
    if (fd < 0)
        return -1;
    // The name may have been replaced in between: the descriptor decides.
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)
        || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

} // namespace

int open(const QString &path, int flags)
{
    return openChecked(path, flags, 0, true);
}

bool openForReading(QFile &file, QIODevice::OpenMode mode)
{
    const int fd = open(file.fileName(), O_RDONLY);
    if (fd < 0)
        return false;
    if (file.open(fd, mode | QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

int openOwnFile(const QString &path, int flags, mode_t mode)
{
    return openChecked(path, flags, mode, false);
}

bool writeAll(int fd, const QByteArray &data, qsizetype *written)
{
    qsizetype done = 0;
    bool ok = true;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0)
            errno = ENOSPC;
        ok = n > 0 || (n < 0 && errno == EINTR);
    }
    if (written)
        *written = done;
    return ok;
}

bool lock(int fd, int waitMs)
{
    QElapsedTimer waited;
    waited.start();
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited.elapsed() >= waitMs)
            return false;
        QThread::msleep(LockPollMs);
    }
    return true;
}

bool syncFolder(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

QString failure(const QString &path, int error)
{
    QString reason;
    if (error == ELOOP)
        reason = QStringLiteral("a symbolic link, which is not followed; left as it is");
    else if (error == EINVAL)
        reason = QStringLiteral("not a regular file");
    else
        reason = QString::fromLocal8Bit(std::strerror(error));
    return QStringLiteral("%1: %2").arg(path, reason);
}

} // namespace RegularFile
