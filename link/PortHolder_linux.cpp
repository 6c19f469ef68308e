#include "PortHolder.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

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

qint64 descriptorHolder(const struct stat &node)
{
    DIR *processes = opendir(ProcFolder);
    if (!processes)
        return 0;
    qint64 holder = 0;
    while (const dirent *entry = readdir(processes)) {
        bool numeric = false;
        const QByteArray pid(entry->d_name);
        const qint64 number = pid.toLongLong(&numeric);
        if (numeric && hasOpen(pid, node)) {
            holder = number;
            break;
        }
    }
    closedir(processes);
    return holder;
}

} // namespace

PortHolder PortHolder::of(const QString &devicePath)
{
    PortHolder holder;
    struct stat node;
    if (stat(QFile::encodeName(devicePath).constData(), &node) != 0 || !S_ISCHR(node.st_mode))
        return holder;
    holder.pid = lockHolder(node);
    if (!holder.pid)
        holder.pid = descriptorHolder(node);
    if (!holder.pid)
        return holder;
    QFile comm(QStringLiteral("%1/%2/comm").arg(QLatin1String(ProcFolder)).arg(holder.pid));
    // A holder that has just ended leaves no name: nothing is known then.
    if (!comm.open(QIODevice::ReadOnly)) {
        holder.pid = 0;
        return holder;
    }
    holder.name = QString::fromLocal8Bit(comm.readAll().trimmed());
    return holder;
}
