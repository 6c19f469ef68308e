#include "SerialLine.h"

#include "RemoteAddress.h"

std::unique_ptr<SerialLine> SerialLine::open(const QString &devicePath, PortError *error)
{
    return RemoteAddress::isRemote(devicePath) ? openRemote(devicePath, error)
                                               : openLocal(devicePath, error);
}

bool SerialLine::fail(PortError error)
{
    lastError = std::move(error);
    return false;
}
