#ifndef TDEVICES_H
#define TDEVICES_H

#include "DeviceFields.h"

#include <QList>
#include <QMetaType>
#include <QString>

// One device found by a scan pass. The five texts are what the device list shows in its
// columns; the fields beside them hold the same as data. It is the only data that travels from
// the scan thread to the window.
struct TDevices
{
    QString location;
    QString serialNumber;
    QString description;
    QString firmwareVersion;
    QString status;

    DeviceFields fields = {};

    // The record of the device on the port, its texts made from its fields.
    static TDevices of(const QString &location, const DeviceFields &fields);
};

Q_DECLARE_METATYPE(TDevices)

// Registers "TDevices", "QList<TDevices>" and "QList<PortRefusal>" so that queued signals can
// carry them across threads. Call it before connecting DeviceThread::finish to a receiver in
// another thread.
void registerDeviceMetaTypes();

#endif // TDEVICES_H
