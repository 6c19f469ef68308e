#include "DeviceProfile.h"

#include <QRegularExpression>

QString modeName(DeviceMode mode)
{
    switch (mode) {
    case DeviceMode::Firmware:
        return QStringLiteral("firmware");
    case DeviceMode::Loader:
        return QStringLiteral("loader");
    case DeviceMode::Isp:
        return QStringLiteral("isp");
    case DeviceMode::Silent:
        return QStringLiteral("silent");
    case DeviceMode::Unplugged:
        break;
    }
    return QStringLiteral("unplugged");
}

QString FirmwareVersion::toString() const
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}

std::optional<FirmwareVersion> FirmwareVersion::fromString(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const uint major = match.captured(1).toUInt();
    const uint minor = match.captured(2).toUInt();
    const uint build = match.captured(3).toUInt();
    if (major > 0xFF || minor > 0xFF || build > 0xFFFF)
        return std::nullopt;
    return FirmwareVersion {quint8(major), quint8(minor), quint16(build)};
}

DeviceProfile DeviceProfile::ready()
{
    return DeviceProfile();
}

DeviceProfile DeviceProfile::legacy()
{
    DeviceProfile profile;
    profile.model = "RT";
    profile.description = "RT-OLD";
    profile.serialNumber = 4711;
    profile.firmware = {0, 9, 12};
    profile.getiLength = 20;
    profile.unanswered = {"gser", "gfwv", "rdan", "scal"};
    profile.calbNeedsInit = true;
    return profile;
}

DeviceProfile DeviceProfile::loader()
{
    DeviceProfile profile;
    profile.mode = DeviceMode::Loader;
    return profile;
}

DeviceProfile DeviceProfile::isp()
{
    DeviceProfile profile;
    profile.mode = DeviceMode::Isp;
    return profile;
}

DeviceProfile DeviceProfile::silent()
{
    DeviceProfile profile;
    profile.mode = DeviceMode::Silent;
    return profile;
}
