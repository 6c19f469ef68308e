#ifndef TDEVICES_H
#define TDEVICES_H

#include <QList>
#include <QMetaType>
#include <QString>

// One device found by a scan pass, as the device list shows it: every field already holds the
// text of its column. It is the only data that travels from the scan thread to the window.
struct TDevices
{
    QString location;
    QString serialNumber;
    QString description;
    QString firmwareVersion;
    QString status;
};

Q_DECLARE_METATYPE(TDevices)

// Registers "TDevices", "QList<TDevices>" and "QList<PortRefusal>" so that queued signals can
// carry them across threads. Call it before connecting DeviceThread::finish to a receiver in
// another thread.
void registerDeviceMetaTypes();

#endif // TDEVICES_H
