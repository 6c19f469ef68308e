#include "WireLog.h"

namespace {

QStringList namesOf(const QList<WireRecord> &records)
{
    QStringList names;
    for (const WireRecord &record : records)
        names.append(record.request);
    return names;
}

} // namespace

void WireLog::append(const WireRecord &record)
{
    std::lock_guard<std::mutex> locker(mutex);
    entries.append(record);
    grown.notify_all();
}

void WireLog::clear()
{
    std::lock_guard<std::mutex> locker(mutex);
    entries.clear();
}

int WireLog::size() const
{
    std::lock_guard<std::mutex> locker(mutex);
    return int(entries.size());
}

// A list of its own, made under the lock: a copy that shared the log's storage would copy it
// later, while the device's thread appends.
QList<WireRecord> WireLog::records() const
{
    std::lock_guard<std::mutex> locker(mutex);
    return QList<WireRecord>(entries.cbegin(), entries.cend());
}

QList<WireRecord> WireLog::recordsFrom(int from) const
{
    std::lock_guard<std::mutex> locker(mutex);
    return entries.mid(from);
}

QStringList WireLog::requests() const
{
    std::lock_guard<std::mutex> locker(mutex);
    return namesOf(entries);
}

QStringList WireLog::takeRequests(int count, int timeoutMs)
{
    std::unique_lock<std::mutex> locker(mutex);
    grown.wait_for(locker, std::chrono::milliseconds(timeoutMs),
                   [&] { return entries.size() >= count; });
    const QStringList names = namesOf(entries);
    entries.clear();
    return names;
}

bool WireLog::waitForSize(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> locker(mutex);
    return grown.wait_for(locker, std::chrono::milliseconds(timeoutMs),
                          [&] { return entries.size() >= count; });
}
