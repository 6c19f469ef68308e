#include "TDevices.h"

#include "PortRefusal.h"

void registerDeviceMetaTypes()
{
    qRegisterMetaType<TDevices>("TDevices");
    qRegisterMetaType<QList<TDevices>>("QList<TDevices>");
    qRegisterMetaType<QList<PortRefusal>>("QList<PortRefusal>");
}
