#include "RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

int open(const QString &path, int flags)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status;
    // Checked before the open too: opening a device node can have effects of its own.
    if (::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    const int fd = ::open(name.constData(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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

} // namespace RegularFile
