#ifndef SIMULATEDLINE_H
#define SIMULATEDLINE_H

#include "SimulatedPorts.h"

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

// Starts a device on COM<number> with the faults it is to show; nullptr when that fails.
inline SimulatedDevice *startDevice(SimulatedPorts &ports, int number, const DeviceProfile &profile,
                                    const QList<DeviceFault> &faults = {})
{
    SimulatedDevice *device = ports.add(number, profile);
    if (!device)
        return nullptr;
    for (const DeviceFault &f : faults)
        device->addFault(f);
    return device;
}

// The requests the device received since the last call.
inline QStringList takeRequests(SimulatedDevice *device)
{
    const QStringList requests = device->log().requests();
    device->log().clear();
    return requests;
}

#endif // SIMULATEDLINE_H
