#include "RefusalText.h"

#include "RemoteAddress.h"

#include <QFileInfo>

QString RefusalText::status(const PortRefusal &refusal)
{
    switch (refusal.error.kind) {
    case PortError::Permission:
        return tr("Permission denied");
    case PortError::Busy:
        if (RemoteAddress::isRemote(refusal.devicePath))
            return tr("In use by another client");
        return refusal.holderPid > 0
            ? tr("In use by %1 (%2)").arg(refusal.holderName).arg(refusal.holderPid)
            : tr("In use by another program");
    case PortError::HostNotFound:
        return tr("Unknown host");
    case PortError::Unreachable:
        return tr("Device server unreachable");
    case PortError::NoLineControl:
        return tr("No RFC 2217 on the server");
    default:
        return refusal.error.text;
    }
}

QString RefusalText::advice(const PortRefusal &refusal)
{
    if (const std::optional<RemoteAddress> server = RemoteAddress::parse(refusal.devicePath))
        return remoteAdvice(refusal, server->hostAndPort());
    switch (refusal.error.kind) {
    case PortError::Permission:
        return permissionAdvice(refusal.devicePath);
    case PortError::Busy:
        return refusal.holderPid > 0
            ? tr("%1 is in use by %2 (process %3). Close that program to use the port here.")
                  .arg(refusal.devicePath, refusal.holderName)
                  .arg(refusal.holderPid)
            : tr("%1 is in use by another program. Close it to use the port here.")
                  .arg(refusal.devicePath);
    default:
        return refusal.devicePath + QStringLiteral(": ") + refusal.error.text;
    }
}

// Joining the device's group helps only where the group may read and write it; a device for its
// owner alone needs the administrator.
QString RefusalText::permissionAdvice(const QString &devicePath)
{
    const QFileInfo device(devicePath);
    const QFile::Permissions groupAccess = QFile::ReadGroup | QFile::WriteGroup;
    if ((device.permissions() & groupAccess) == groupAccess && !device.group().isEmpty())
        return tr("%1 may be opened by the members of the group %2. Join it with\n"
                  "sudo usermod -aG %2 $USER\n"
                  "then log out and in again.")
            .arg(devicePath, device.group());
    return tr("Only its owner %2 may open %1: ask your administrator for access.")
        .arg(devicePath, device.owner());
}

QString RefusalText::remoteAdvice(const PortRefusal &refusal, const QString &server)
{
    const QString &path = refusal.devicePath;
    const QString &reason = refusal.error.text;
    switch (refusal.error.kind) {
    case PortError::Busy:
        return tr("%1: another client of the device server %2 holds the port (%3). Close that "
                  "connection to use the port here.")
            .arg(path, server, reason);
    case PortError::HostNotFound:
        return tr("%1: the name of the device server %2 cannot be resolved (%3).")
            .arg(path, server, reason);
    case PortError::Unreachable:
        return tr("%1: no connection to the device server %2 (%3). Check that it is on, can be "
                  "reached from here and serves this port.")
            .arg(path, server, reason);
    case PortError::NoLineControl:
        return tr("%1: the device server %2 takes no line settings (%3). Serve the port with "
                  "RFC 2217 there (ser2net: telnet(rfc2217) in the accepter).")
            .arg(path, server, reason);
    default:
        return tr("%1 (device server %2): %3").arg(path, server, reason);
    }
}
