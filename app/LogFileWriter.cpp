#include "LogFileWriter.h"

#include "RegularFile.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr char PredecessorSuffix[] = ".1";
constexpr mode_t LogFileMode = 0666;
// Another window that stops (a debugger, SIGSTOP) while it holds the lock must not freeze this
// one: after this long the line goes in without the lock.
constexpr int LockWaitMs = 200;

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
    *error = RegularFile::failure(QFile::decodeName(nativePath), errno);
    return false;
}

void LogFileWriter::write(const QByteArray &line)
{
    // The size is judged and the line written under the lock: another process would otherwise
    // fill or rotate the file in between.
    while (lockCurrent()) {
        if (full(line.size()) && rotate()) {
            // The next round takes the new file.
            RegularFile::unlock(fd);
            continue;
        }
        if (isOpen()) {
            append(line);
            RegularFile::unlock(fd);
        }
        return;
    }
}

// Unbuffered: a crash right after does not take the line with it. A line that does not fit on
// the disk is lost, not the log: what of it landed is cut off again, or the next line would be
// glued to it.
void LogFileWriter::append(const QByteArray &line)
{
    const qint64 before = RegularFile::size(fd);
    qsizetype written = 0;
    if (before < 0 || RegularFile::writeAll(fd, line, &written))
        return;
    const int reason = errno;
    if (written > 0 && !RegularFile::truncate(fd, before))
        closeFile();
    if (!std::exchange(writeFailureReported, true))
        std::fprintf(stderr, "warning: lines not written to %s: %s\n", nativePath.constData(),
                     std::strerror(reason));
}

// Never through a symbolic link in the log's place.
bool LogFileWriter::reopen()
{
    closeFile();
    fd = RegularFile::openOwnFile(QFile::decodeName(nativePath), O_WRONLY | O_APPEND | O_CREAT,
                                  LogFileMode);
    return fd >= 0;
}

bool LogFileWriter::heldIsAtPath() const
{
    return RegularFile::isAt(fd, QFile::decodeName(nativePath));
}

// Another process that rotated the log left us holding its predecessor: the file the path
// names now takes the line. True with the lock taken on it, unless its holder kept it too long.
bool LogFileWriter::lockCurrent()
{
    while (isOpen()) {
        RegularFile::lock(fd, LockWaitMs);
        if (heldIsAtPath())
            return true;
        RegularFile::unlock(fd);
        reopen();
    }
    return false;
}

bool LogFileWriter::full(qsizetype lineSize) const
{
    const qint64 size = RegularFile::size(fd);
    return size > 0 && size + lineSize > limit;
}

// The full file becomes the predecessor, in place of the one before: true when it made way.
// Without a predecessor (a folder that can't be written, ...) the file starts over: the limit
// holds, and the lines lost are the oldest, as a rotation would lose them a little later.
// Writing no more would keep those and lose every later line instead, the ones before the
// trouble a user reports.
bool LogFileWriter::rotate()
{
    const QByteArray predecessor = nativePath + PredecessorSuffix;
    if (RegularFile::replace(QFile::decodeName(nativePath), QFile::decodeName(predecessor))) {
        RegularFile::syncFolder(QFile::decodeName(nativePath));
        return true;
    }
    const int reason = errno;
    if (!std::exchange(rotationFailureReported, true))
        std::fprintf(stderr, "warning: %s not written (%s); %s starts over at its size limit\n",
                     predecessor.constData(), std::strerror(reason), nativePath.constData());
    if (!RegularFile::truncate(fd, 0))
        closeFile();
    return false;
}

void LogFileWriter::closeFile()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
