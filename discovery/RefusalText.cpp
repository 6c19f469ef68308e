#include "RefusalText.h"

#include <QFileInfo>

QString RefusalText::status(const PortRefusal &refusal)
{
    switch (refusal.error.kind) {
    case PortError::Permission:
        return tr("Permission denied");
    case PortError::Busy:
        return refusal.holderPid > 0
            ? tr("In use by %1 (%2)").arg(refusal.holderName).arg(refusal.holderPid)
            : tr("In use by another program");
    default:
        return refusal.error.text;
    }
}

QString RefusalText::advice(const PortRefusal &refusal)
{
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
