#include "TDevices.h"

void registerDeviceMetaTypes()
{
    qRegisterMetaType<TDevices>("TDevices");
    qRegisterMetaType<QList<TDevices>>("QList<TDevices>");
}
