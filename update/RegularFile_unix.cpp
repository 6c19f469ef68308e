#include "RegularFile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
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

int openOwnFile(const QString &path, int flags, mode_t mode)
{
    return openChecked(path, flags, mode, false);
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

void unlock(int fd)
{
    ::flock(fd, LOCK_UN);
}

bool sync(int fd)
{
    return ::fsync(fd) == 0;
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

qint64 size(int fd)
{
    struct stat status;
    return ::fstat(fd, &status) == 0 ? qint64(status.st_size) : -1;
}

bool truncate(int fd, qint64 size)
{
    return ::ftruncate(fd, off_t(size)) == 0;
}

bool readAt(int fd, qint64 offset, QByteArray *bytes)
{
    return ::pread(fd, bytes->data(), size_t(bytes->size()), off_t(offset)) == bytes->size();
}

Kind kindAt(const QString &path)
{
    struct stat status;
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return Kind::Missing;
    if (S_ISREG(status.st_mode))
        return Kind::Regular;
    return S_ISLNK(status.st_mode) ? Kind::Link : Kind::Other;
}

bool isAt(int fd, const QString &path)
{
    struct stat held;
    struct stat atPath;
    return ::fstat(fd, &held) == 0 && ::lstat(QFile::encodeName(path).constData(), &atPath) == 0
        && held.st_dev == atPath.st_dev && held.st_ino == atPath.st_ino;
}

bool replace(const QString &from, const QString &to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Root saving a user's file must not take it from them.
void keepAttributes(int fd, const QString &path)
{
    struct stat old;
    if (::lstat(QFile::encodeName(path).constData(), &old) != 0 || !S_ISREG(old.st_mode))
        return;
    ::fchmod(fd, old.st_mode & 07777);
    [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
}

} // namespace RegularFile
