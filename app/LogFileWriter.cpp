#include "LogFileWriter.h"

#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr char PredecessorSuffix[] = ".1";
constexpr mode_t LogFileMode = 0666;
// Another window that stops (a debugger, SIGSTOP) while it holds the lock must not freeze this
// one: after this long the line goes in without the lock.
constexpr int LockWaitMs = 200;
constexpr unsigned long LockPollMs = 5;

bool lockWithin(int fd, int waitMs)
{
    for (int waited = 0;; waited += int(LockPollMs)) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK || waited >= waitMs)
            return false;
        QThread::msleep(LockPollMs);
    }
}

} // namespace

LogFileWriter::LogFileWriter(const QString &path, qint64 limit)
    : nativePath(QFile::encodeName(path)), limit(limit)
{ }

LogFileWriter::~LogFileWriter()
{
    closeFile();
}

bool LogFileWriter::open(QString *error)
{
    if (reopen())
        return true;
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

void LogFileWriter::write(const QByteArray &line)
{
    // The size is judged and the line written under the lock: another process would otherwise
    // fill or rotate the file in between.
    while (lockCurrent()) {
        if (full(line.size()) && rotate()) {
            // The next round takes the new file.
            flock(fd, LOCK_UN);
            continue;
        }
        if (isOpen()) {
            // Unbuffered: a crash right after does not take the line with it. A line that does
            // not fit on the disk is lost, not the log.
            [[maybe_unused]] const ssize_t written =
                ::write(fd, line.constData(), size_t(line.size()));
            flock(fd, LOCK_UN);
        }
        return;
    }
}

bool LogFileWriter::reopen()
{
    closeFile();
    fd = ::open(nativePath.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, LogFileMode);
    return fd >= 0;
}

bool LogFileWriter::heldIsAtPath() const
{
    struct stat held;
    struct stat atPath;
    return fstat(fd, &held) == 0 && stat(nativePath.constData(), &atPath) == 0
        && held.st_dev == atPath.st_dev && held.st_ino == atPath.st_ino;
}

// Another process that rotated the log left us holding its predecessor: the file the path
// names now takes the line. True with the lock taken on it, unless its holder kept it too long.
bool LogFileWriter::lockCurrent()
{
    while (isOpen()) {
        lockWithin(fd, LockWaitMs);
        if (heldIsAtPath())
            return true;
        flock(fd, LOCK_UN);
        reopen();
    }
    return false;
}

bool LogFileWriter::full(qsizetype lineSize) const
{
    struct stat held;
    return fstat(fd, &held) == 0 && held.st_size > 0 && held.st_size + lineSize > limit;
}

// The full file becomes the predecessor, in place of the one before: true when it made way.
// Without a predecessor (a folder that can't be written, ...) the file starts over: the limit
// holds, and the lines lost are the oldest, as a rotation would lose them a little later.
// Writing no more would keep those and lose every later line instead, the ones before the
// trouble a user reports.
bool LogFileWriter::rotate()
{
    const QByteArray predecessor = nativePath + PredecessorSuffix;
    if (::rename(nativePath.constData(), predecessor.constData()) == 0)
        return true;
    const int reason = errno;
    if (!std::exchange(rotationFailureReported, true))
        std::fprintf(stderr, "warning: %s not written (%s); %s starts over at its size limit\n",
                     predecessor.constData(), std::strerror(reason), nativePath.constData());
    if (ftruncate(fd, 0) != 0)
        closeFile();
    return false;
}

void LogFileWriter::closeFile()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
