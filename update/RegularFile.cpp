#include "RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <cstring>
#include <unistd.h>

namespace RegularFile {

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

bool writeAll(int fd, const QByteArray &data, qsizetype *written)
{
    qsizetype done = 0;
    bool ok = true;
    while (ok && done < data.size()) {
        const auto n = ::write(fd, data.constData() + done, size_t(data.size() - done));
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
