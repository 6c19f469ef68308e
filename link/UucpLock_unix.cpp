#include "UucpLock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {

// Where the lock files are kept (FHS); on most systems one is a link to the other.
const char *const LockFolders[] = {"/run/lock", "/var/lock"};
const QString LockPrefix = QStringLiteral("LCK..");
// "%10d\n" as written today; very old programs wrote the number as a binary int.
constexpr qint64 LongestLockFile = 64;

qint64 processNumber(const QByteArray &contents)
{
    bool ok = false;
    const qint64 pid = contents.trimmed().toLongLong(&ok);
    if (ok)
        return pid;
    int binary = 0;
    if (contents.size() != sizeof binary)
        return 0;
    std::memcpy(&binary, contents.constData(), sizeof binary);
    return binary;
}

// kill() with no signal: EPERM still means someone runs under that number.
bool runs(qint64 pid)
{
    return pid > 0 && pid != ::getpid() && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

} // namespace

qint64 UucpLock::holder(const QString &devicePath)
{
    const QString device = QFileInfo(QFileInfo(devicePath).canonicalFilePath()).fileName();
    if (device.isEmpty())
        return 0;
    for (const char *folder : LockFolders) {
        QFile lock(QString::fromLatin1(folder) + QLatin1Char('/') + LockPrefix + device);
        if (!lock.open(QIODevice::ReadOnly))
            continue;
        const qint64 pid = processNumber(lock.read(LongestLockFile));
        if (runs(pid))
            return pid;
    }
    return 0;
}
