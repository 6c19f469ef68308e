#ifndef SIMULATEDLINE_H
#define SIMULATEDLINE_H

#include "SimulatedDevice.h"

#include <QList>
#include <QMetaType>
#include <QStringList>

// Small pieces the scan's device tests share: data-table types and wire-log helpers.

Q_DECLARE_METATYPE(DeviceProfile)
Q_DECLARE_METATYPE(DeviceFault)

inline DeviceFault fault(const QString &request, DeviceFault::Kind kind, int skip = 0,
                         int times = 1)
{
    DeviceFault f;
    f.request = request;
    f.kind = kind;
    f.skip = skip;
    f.times = times;
    return f;
}

inline void addFaults(SimulatedDevice *device, const QList<DeviceFault> &faults)
{
    for (const DeviceFault &f : faults)
        device->addFault(f);
}

// The requests the device received since the last call.
inline QStringList takeRequests(SimulatedDevice *device)
{
    const QStringList requests = device->log().requests();
    device->log().clear();
    return requests;
}

#endif // SIMULATEDLINE_H
