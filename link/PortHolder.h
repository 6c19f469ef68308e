#ifndef PORTHOLDER_H
#define PORTHOLDER_H

#include <QString>

// The process that keeps a serial device from us, where the system shows it. On Linux, /proc: the
// one that holds the device's lock (/proc/locks, readable for everyone), else the one that a
// UUCP lock file names (UucpLock), else the first other process whose open descriptors lead to
// the device (/proc/<pid>/fd; other users' processes are unreadable and skipped). Holders that
// take the port without a lock, with the exclusive flag alone, are found that way, and so is the
// child that kept a lock whose taker has ended. Windows shows no holder.
class PortHolder
{
public:
    static PortHolder of(const QString &devicePath);

    bool isKnown() const { return pid > 0; }

    // The process's command name (/proc/<pid>/comm); pid 0 when no holder was found.
    QString name;
    qint64 pid = 0;
};

#endif // PORTHOLDER_H
