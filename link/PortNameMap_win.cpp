#include "PortNameMap.h"

#include <QFileInfo>

#include <windows.h>

namespace {

const QString DevicePrefix = QStringLiteral("\\\\.\\");

// Whether Windows knows the device name: from its table of names, where a port is listed
// without being opened, or else (Wine lists no port that was linked into its prefix later)
// from an open that asks for no access, which a port held by another program refuses.
bool deviceThere(const QString &name, const QString &device)
{
    wchar_t target[MAX_PATH];
    if (::QueryDosDeviceW(reinterpret_cast<const wchar_t *>(name.utf16()), target, MAX_PATH))
        return true;
    const HANDLE handle = ::CreateFileW(reinterpret_cast<const wchar_t *>(device.utf16()), 0, 0,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
        ::CloseHandle(handle);
    const DWORD error = handle == INVALID_HANDLE_VALUE ? ::GetLastError() : DWORD(NO_ERROR);
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

} // namespace

// On Windows the port names are the devices' own names.
QString PortNameMap::defaultPath(int number)
{
    return number != 0 ? portName(number) : QString();
}

// A COM port is no file: a name of the system's is checked there, a path as a file's.
QString PortNameMap::deviceNode(const QString &devicePath)
{
    const QString name = devicePath.startsWith(DevicePrefix) ? devicePath.mid(DevicePrefix.size())
                                                             : devicePath;
    if (name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')))
        return QFileInfo(devicePath).canonicalFilePath();
    const QString device = DevicePrefix + name.toUpper();
    return deviceThere(name, device) ? device : QString();
}
