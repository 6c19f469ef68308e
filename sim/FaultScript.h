#ifndef FAULTSCRIPT_H
#define FAULTSCRIPT_H

#include "DeviceFault.h"

#include <QList>

#include <optional>

// The faults planned for one device, in the order they were added. Every fault counts the
// requests it matches; the first fault whose turn it is strikes. Not thread-safe: the device
// guards it.
class FaultScript
{
public:
    void add(const DeviceFault &fault);
    void clear();
    bool isEmpty() const { return entries.isEmpty(); }

    // Counts one request of that name and returns the fault that strikes it, if any.
    std::optional<DeviceFault> take(const QString &requestName);

private:
    struct Entry
    {
        DeviceFault fault;
        int seen = 0;
    };
    QList<Entry> entries;
};

#endif // FAULTSCRIPT_H
