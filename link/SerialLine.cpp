#include "SerialLine.h"

std::unique_ptr<SerialLine> SerialLine::open(const QString &devicePath, PortError *error)
{
    return openLocal(devicePath, error);
}

bool SerialLine::fail(PortError error)
{
    lastError = std::move(error);
    return false;
}
