#include "PortResolver.h"

#include "PortNameMap.h"

#include <QFileInfo>

namespace {

// Beyond the default table: names there exist only through overrides.
constexpr int FirstFreeNumber = 161;

// "COM5" is short for "\\.\COM5".
const QString ShortPrefix = QStringLiteral("COM");
const QString DevicePrefix = QStringLiteral("\\\\.\\");

} // namespace

// Windows takes "com5" for "COM5"; so do we.
std::optional<QString> PortResolver::resolve(const QString &argument, QString *error)
{
    if (argument.startsWith(ShortPrefix, Qt::CaseInsensitive))
        return byName(DevicePrefix + argument.toUpper(), error);
    if (argument.startsWith(DevicePrefix + ShortPrefix, Qt::CaseInsensitive))
        return byName(argument.toUpper(), error);
    return byPath(argument, error);
}

std::optional<QString> PortResolver::byName(const QString &name, QString *error)
{
    const QString path = PortNameMap::instance().devicePath(name);
    if (PortNameMap::portNumber(name) == 0 || !QFileInfo::exists(path)) {
        *error = path.isEmpty() ? QStringLiteral("unknown port %1").arg(name)
                                : QStringLiteral("unknown port %1: no %2").arg(name, path);
        return std::nullopt;
    }
    return name;
}

std::optional<QString> PortResolver::byPath(const QString &path, QString *error)
{
    const QString wanted = QFileInfo(path).canonicalFilePath();
    if (wanted.isEmpty()) {
        *error = QStringLiteral("unknown port %1").arg(path);
        return std::nullopt;
    }
    PortNameMap &map = PortNameMap::instance();
    const QString known = map.portNameAt(wanted);
    if (!known.isEmpty())
        return known;
    // Up to the last number the map knows a name for.
    for (int number = FirstFreeNumber;
         PortNameMap::portNumber(PortNameMap::portName(number)) == number; ++number) {
        const QString name = PortNameMap::portName(number);
        if (map.devicePath(name).isEmpty()) {
            map.setPath(name, wanted);
            return name;
        }
    }
    *error = QStringLiteral("no free port name left for %1").arg(path);
    return std::nullopt;
}
