#include "DeviceFields.h"

QString DeviceFields::Version::text() const
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}

QString DeviceFields::statusCode() const
{
    switch (mode) {
    case Mode::Firmware:
        return QStringLiteral("ready");
    case Mode::Loader:
        return QStringLiteral("no_firmware");
    case Mode::Isp:
        break;
    }
    return QStringLiteral("isp");
}

QString DeviceFields::serialText() const
{
    return serial ? QString::number(*serial) : QString();
}

QString DeviceFields::firmwareText() const
{
    return firmware ? firmware->text() : QString();
}
