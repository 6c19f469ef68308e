#include "PortResolver.h"

#include "PortNameMap.h"
#include "RemoteAddress.h"

namespace {

// Beyond Linux's default table, where names exist only through overrides. On Windows every
// name is a device's own; one of these seldom is.
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
    if (RemoteAddress::isRemote(argument)) {
        if (!RemoteAddress::parse(argument)) {
            *error = tr("%1 is not of the form rfc2217://HOST:PORT").arg(argument);
            return std::nullopt;
        }
        return named(argument, error);
    }
    return byPath(argument, error);
}

// Whether a server answers there is for the open to tell.
std::optional<QString> PortResolver::byName(const QString &name, QString *error)
{
    const QString path = PortNameMap::instance().devicePath(name);
    const bool exists =
        RemoteAddress::isRemote(path) || !PortNameMap::deviceNode(path).isEmpty();
    if (PortNameMap::portNumber(name) == 0 || !exists) {
        *error = path.isEmpty() ? tr("unknown port %1").arg(name)
                                : tr("unknown port %1: no %2").arg(name, path);
        return std::nullopt;
    }
    return name;
}

std::optional<QString> PortResolver::byPath(const QString &path, QString *error)
{
    const QString wanted = PortNameMap::deviceNode(path);
    if (wanted.isEmpty()) {
        *error = tr("unknown port %1").arg(path);
        return std::nullopt;
    }
    return named(wanted, error);
}

std::optional<QString> PortResolver::named(const QString &path, QString *error)
{
    PortNameMap &map = PortNameMap::instance();
    const QString known = map.portNameAt(path);
    if (!known.isEmpty())
        return known;
    // Up to the last number the map knows a name for.
    for (int number = FirstFreeNumber;
         PortNameMap::portNumber(PortNameMap::portName(number)) == number; ++number) {
        const QString name = PortNameMap::portName(number);
        if (!map.overridden(name) || map.devicePath(name).isEmpty()) {
            map.setPath(name, path);
            return name;
        }
    }
    *error = tr("no free port name left for %1").arg(path);
    return std::nullopt;
}
