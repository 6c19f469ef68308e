#include "SerialLine.h"

#include "RemoteAddress.h"
#include "Rfc2217Line.h"

std::unique_ptr<SerialLine> SerialLine::open(const QString &devicePath, PortError *error)
{
    if (RemoteAddress::isRemote(devicePath))
        return Rfc2217Line::open(devicePath, error);
    return openLocal(devicePath, error);
}

bool SerialLine::fail(PortError error)
{
    lastError = std::move(error);
    return false;
}
