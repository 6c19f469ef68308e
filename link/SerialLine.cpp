#include "SerialLine.h"

#include "RemoteAddress.h"
#ifndef _WIN32
#include "Rfc2217Line.h"
#endif

std::unique_ptr<SerialLine> SerialLine::open(const QString &devicePath, PortError *error)
{
    if (RemoteAddress::isRemote(devicePath)) {
#ifndef _WIN32
        return Rfc2217Line::open(devicePath, error);
#else
        // Built without libgensio: say so rather than look for a local device of that name.
        if (error)
            *error = {PortError::Io, QStringLiteral("no device server support in this build")};
        return nullptr;
#endif
    }
    return openLocal(devicePath, error);
}

bool SerialLine::fail(PortError error)
{
    lastError = std::move(error);
    return false;
}
