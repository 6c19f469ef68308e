#include "JobLog.h"

#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t LogFileMode = 0644;
constexpr int VoltageDecimals = 2;
constexpr int SecondsDecimals = 1;

// No column name needs quoting.
constexpr char Header[] = "time,host,program,port,device path,job,serial number,description,"
                          "firmware before,firmware after,firmware file,firmware sha256,voltage,"
                          "attempts,result code,result text,seconds\r\n";

// Quoted only when the field holds a separator, a quote or a line break; quotes doubled.
QByteArray csvField(const QString &text)
{
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n')
        || field.contains('\r')) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

QByteArray csvLine(const QStringList &fields)
{
    QByteArrayList line;
    for (const QString &field : fields)
        line.append(csvField(field));
    return line.join(',') + "\r\n";
}

// ISO 8601 with the local offset spelt out, also when it is zero.
QString isoTime(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
        + QStringLiteral("%1%2:%3")
              .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString systemReason(const QString &path, int error)
{
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error)));
}

bool fail(QString *reason, const QString &path)
{
    if (reason)
        *reason = systemReason(path, errno);
    return false;
}

// The whole of data in one write(), then on disk.
bool writeAll(int fd, const QByteArray &data)
{
    ssize_t written;
    do {
        written = ::write(fd, data.constData(), size_t(data.size()));
    } while (written < 0 && errno == EINTR);
    if (written >= 0 && written != data.size())
        errno = ENOSPC;
    return written == data.size() && ::fsync(fd) == 0;
}

// A new directory entry survives a crash only once its directory is on disk.
void syncDirectory(const QByteArray &file)
{
    const QByteArray dir =
        QFile::encodeName(QFileInfo(QString::fromLocal8Bit(file)).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

JobLog::JobLog(const QString &path) : filePath(path) { }

QByteArray JobLog::header()
{
    return QByteArray(Header);
}

QByteArray JobLog::row(const JobRecord &r)
{
    return csvLine({
        isoTime(r.time),
        r.host,
        r.program,
        r.port,
        r.devicePath,
        JobRecord::jobName(r.kind),
        r.serialNumber,
        r.description,
        r.firmwareBefore,
        r.firmwareAfter,
        r.firmwareFile,
        r.firmwareSha256,
        r.voltage ? QString::number(*r.voltage, 'f', VoltageDecimals) : QString(),
        QString::number(r.attempts),
        QString::number(r.resultCode),
        r.resultText,
        QString::number(r.seconds, 'f', SecondsDecimals),
    });
}

QByteArray JobLog::textRow(const QStringList &texts)
{
    return csvLine(texts);
}

bool JobLog::append(const JobRecord &record, QString *reason) const
{
    if (!ensureHeader(reason))
        return false;
    // A FIFO under the log's name would block the open until a reader came.
    const int fd = RegularFile::open(filePath, O_WRONLY | O_APPEND);
    if (fd < 0)
        return fail(reason, filePath);
    const bool written = writeAll(fd, row(record));
    const int error = errno;
    ::close(fd);
    errno = error;
    return written || fail(reason, filePath);
}

// The header is written into a file of its own, which then appears under the log's name in
// one step (link() refuses to replace an existing file), so no program ever sees a new log
// without its header. Where the file system has no hard links, O_EXCL decides who creates the
// file; a row appended in the moment between its creation and its header would then precede
// the header.
bool JobLog::ensureHeader(QString *reason) const
{
    const QByteArray path = QFile::encodeName(filePath);
    struct stat existing;
    if (::stat(path.constData(), &existing) == 0)
        return true;

    QByteArray draft = path + ".XXXXXX";
    const int fd = ::mkstemp(draft.data());
    if (fd < 0)
        return fail(reason, filePath);
    bool ok = ::fchmod(fd, LogFileMode) == 0 && writeAll(fd, header());
    int error = errno;
    ::close(fd);
    if (ok && ::link(draft.constData(), path.constData()) != 0 && errno != EEXIST) {
        const int excl =
            ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, LogFileMode);
        ok = excl >= 0 ? writeAll(excl, header()) : errno == EEXIST;
        error = errno;
        if (excl >= 0)
            ::close(excl);
    }
    ::unlink(draft.constData());
    syncDirectory(path);
    errno = error;
    return ok || fail(reason, filePath);
}
