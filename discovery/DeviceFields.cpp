#include "DeviceFields.h"

QString DeviceFields::Version::text() const
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}
