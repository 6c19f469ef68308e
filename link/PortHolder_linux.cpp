#include "PortHolder.h"
#include "UucpLock.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

const char ProcFolder[] = "/proc";

// Lines of /proc/locks read "1: FLOCK  ADVISORY  WRITE 4242 00:19:5 0 EOF": the lock's
// process, then the file system's device (hex) and the inode of the locked file. Waiters,
// marked "->", hold nothing.
qint64 lockHolder(const struct stat &node)
{
    QFile locks(QString::fromLatin1(ProcFolder) + QStringLiteral("/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray wanted =
        QString::asprintf("%02x:%02x:%llu", major(node.st_dev), minor(node.st_dev),
                          static_cast<unsigned long long>(node.st_ino))
            .toLatin1();
    for (const QByteArray &line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 5 && fields.at(1) != "->" && fields.at(5) == wanted) {
            const qint64 pid = fields.at(4).toLongLong();
            if (pid > 0)
                return pid;
        }
    }
    return 0;
}

bool leadsTo(const QByteArray &link, const struct stat &node)
{
    struct stat opened;
    return stat(link.constData(), &opened) == 0 && S_ISCHR(opened.st_mode)
        && opened.st_rdev == node.st_rdev;
}

// Whether the process has a descriptor open on the device; false where we may not look.
bool hasOpen(const QByteArray &pid, const struct stat &node)
{
    const QByteArray folder = QByteArray(ProcFolder) + '/' + pid + "/fd";
    DIR *descriptors = opendir(folder.constData());
    if (!descriptors)
        return false;
    bool found = false;
    while (const dirent *entry = readdir(descriptors)) {
        if (entry->d_name[0] != '.' && leadsTo(folder + '/' + entry->d_name, node)) {
            found = true;
            break;
        }
    }
    closedir(descriptors);
    return found;
}

// Another process than this one: a port it failed to open is not held by itself, whatever
// descriptors of the line it keeps (a simulated device's own end, say).
qint64 descriptorHolder(const struct stat &node)
{
    DIR *processes = opendir(ProcFolder);
    if (!processes)
        return 0;
    const qint64 self = getpid();
    qint64 holder = 0;
    while (const dirent *entry = readdir(processes)) {
        bool numeric = false;
        const QByteArray pid(entry->d_name);
        const qint64 number = pid.toLongLong(&numeric);
        if (numeric && number != self && hasOpen(pid, node)) {
            holder = number;
            break;
        }
    }
    closedir(processes);
    return holder;
}

// The process's command name; nothing is known of a process that has ended.
PortHolder named(qint64 pid)
{
    PortHolder holder;
    QFile comm(QStringLiteral("%1/%2/comm").arg(QLatin1String(ProcFolder)).arg(pid));
    if (pid > 0 && comm.open(QIODevice::ReadOnly)) {
        holder.name = QString::fromLocal8Bit(comm.readAll().trimmed());
        holder.pid = pid;
    }
    return holder;
}

} // namespace

PortHolder PortHolder::of(const QString &devicePath)
{
    struct stat node;
    if (stat(QFile::encodeName(devicePath).constData(), &node) != 0 || !S_ISCHR(node.st_mode))
        return PortHolder();
    PortHolder holder = named(lockHolder(node));
    // Programs that announce the port with a lock file alone.
    if (!holder.isKnown())
        holder = named(UucpLock::holder(devicePath));
    // The process that took the lock may have ended and left it to a child that shares the
    // descriptor (flock(1) running a command does so): that child is the holder then.
    if (!holder.isKnown())
        holder = named(descriptorHolder(node));
    return holder;
}
