#include "LogFile.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr char PredecessorSuffix[] = ".1";
// Kept before the log is installed; a program that never installs it must not grow without end.
constexpr qsizetype MaxEarlyLines = 1000;
constexpr mode_t LogFileMode = 0666;

// Any thread may write a line at any moment; the writer and the early lines are guarded.
QMutex mutex;
std::unique_ptr<LogFile::Writer> writer;
QList<QByteArray> earlyLines;
bool keepingEarlyLines = false;
bool handlerInstalled = false;
QtMessageHandler previousHandler = nullptr;

const char *levelTag(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
    case QtInfoMsg:
        return "";
    case QtWarningMsg:
        return "warning: ";
    case QtCriticalMsg:
        return "critical: ";
    case QtFatalMsg:
        return "fatal: ";
    }
    return "";
}

// Cut between characters, never inside one.
QByteArray capped(const QString &message)
{
    QByteArray text = message.toUtf8();
    if (text.size() <= LogFile::MaxMessageBytes)
        return text;
    qsizetype end = LogFile::MaxMessageBytes;
    while (end > 0 && (uchar(text.at(end)) & 0xC0) == 0x80)
        --end;
    text.truncate(end);
    return text + LogFile::CutMark;
}

void writeLine(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' '
        + levelTag(type) + capped(message) + '\n';
    QMutexLocker lock(&mutex);
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    if (writer)
        writer->write(line);
    else if (keepingEarlyLines && earlyLines.size() < MaxEarlyLines)
        earlyLines.append(line);
}

void installHandler()
{
    if (!std::exchange(handlerInstalled, true))
        previousHandler = qInstallMessageHandler(writeLine);
}

} // namespace

LogFile::Writer::Writer(const QString &path, qint64 limit)
    : nativePath(QFile::encodeName(path)), limit(limit)
{ }

LogFile::Writer::~Writer()
{
    closeFile();
}

bool LogFile::Writer::open(QString *error)
{
    if (reopen())
        return true;
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

void LogFile::Writer::write(const QByteArray &line)
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

bool LogFile::Writer::reopen()
{
    closeFile();
    fd = ::open(nativePath.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, LogFileMode);
    return fd >= 0;
}

bool LogFile::Writer::heldIsAtPath() const
{
    struct stat held;
    struct stat atPath;
    return fstat(fd, &held) == 0 && stat(nativePath.constData(), &atPath) == 0
        && held.st_dev == atPath.st_dev && held.st_ino == atPath.st_ino;
}

// Another process that rotated the log left us holding its predecessor: the file the path
// names now takes the line. True with the lock taken on it.
bool LogFile::Writer::lockCurrent()
{
    while (isOpen()) {
        if (flock(fd, LOCK_EX) == 0 && heldIsAtPath())
            return true;
        flock(fd, LOCK_UN);
        reopen();
    }
    return false;
}

bool LogFile::Writer::full(qsizetype lineSize) const
{
    struct stat held;
    return fstat(fd, &held) == 0 && held.st_size > 0 && held.st_size + lineSize > limit;
}

// The full file becomes the predecessor, in place of the one before: true when it made way.
// Without a predecessor (a folder that can't be written, ...) the file starts over: the limit
// holds, and the lines lost are the oldest, as a rotation would lose them a little later.
// Writing no more would keep those and lose every later line instead, the ones before the
// trouble a user reports.
bool LogFile::Writer::rotate()
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

void LogFile::Writer::closeFile()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void LogFile::keepEarlyLines()
{
    QMutexLocker lock(&mutex);
    keepingEarlyLines = true;
    installHandler();
}

bool LogFile::install(const QString &path, qint64 limit, QString *error)
{
    QMutexLocker lock(&mutex);
    writer = std::make_unique<Writer>(path, limit);
    const bool opened = writer->open(error);
    if (opened) {
        for (const QByteArray &line : std::as_const(earlyLines))
            writer->write(line);
    } else {
        writer.reset();
    }
    earlyLines.clear();
    keepingEarlyLines = false;
    installHandler();
    return opened;
}

void LogFile::uninstall()
{
    QMutexLocker lock(&mutex);
    if (std::exchange(handlerInstalled, false))
        qInstallMessageHandler(previousHandler);
    writer.reset();
    earlyLines.clear();
    keepingEarlyLines = false;
}
