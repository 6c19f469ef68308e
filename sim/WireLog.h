#ifndef WIRELOG_H
#define WIRELOG_H

#include "DeviceProfile.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <mutex>

// One request as a simulated device received it, and what the device sent back.
struct WireRecord
{
    std::chrono::steady_clock::time_point received; // when its last byte arrived
    DeviceMode mode = DeviceMode::Firmware; // the device's mode when it arrived
    // "geti", "RESET", "WRITE DATA", "1g", "loader-probe", "?"; or "unknown", "frame error",
    // "ignored" and "incomplete" for bytes the device could not take as a request.
    QString request;
    QByteArray bytes;
    QByteArray reply; // every byte sent in answer, pieces joined
    QString fault; // name of the fault that struck, "restarting" for a frame lost then, or empty
};

// The requests a device received, in order. Written by the device's thread, read by any.
class WireLog
{
public:
    void append(const WireRecord &record);
    void clear();

    int size() const;
    QList<WireRecord> records() const;
    // Records from index `from` on, for readers that follow the log as it grows.
    QList<WireRecord> recordsFrom(int from) const;
    QStringList requests() const;
    // The requests logged so far, which leave the log: what came since the last call. Waits up to
    // timeoutMs for at least `count` of them.
    QStringList takeRequests(int count = 0, int timeoutMs = 0);

    // Waits until the log holds at least `count` records; false on time-out.
    bool waitForSize(int count, int timeoutMs) const;

private:
    // The standard pair rather than QMutex and QWaitCondition: ThreadSanitizer does not see the
    // unlock inside QWaitCondition::wait and would report a double lock.
    mutable std::mutex mutex;
    mutable std::condition_variable grown;
    QList<WireRecord> entries;
};

#endif // WIRELOG_H
