#include "WireLog.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

void WireLog::append(const WireRecord &record)
{
    QMutexLocker locker(&mutex);
    entries.append(record);
    grown.wakeAll();
}

void WireLog::clear()
{
    QMutexLocker locker(&mutex);
    entries.clear();
}

int WireLog::size() const
{
    QMutexLocker locker(&mutex);
    return int(entries.size());
}

QList<WireRecord> WireLog::records() const
{
    QMutexLocker locker(&mutex);
    return entries;
}

QList<WireRecord> WireLog::recordsFrom(int from) const
{
    QMutexLocker locker(&mutex);
    return entries.mid(from);
}

QStringList WireLog::requests() const
{
    QMutexLocker locker(&mutex);
    QStringList names;
    for (const WireRecord &record : entries)
        names.append(record.request);
    return names;
}

bool WireLog::waitForSize(int count, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    QMutexLocker locker(&mutex);
    while (entries.size() < count) {
        if (!grown.wait(&mutex, deadline))
            return entries.size() >= count;
    }
    return true;
}
