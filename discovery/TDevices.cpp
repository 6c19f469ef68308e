#include "TDevices.h"

#include "PortRefusal.h"

#include <QCoreApplication>

namespace {

// The scan worker's translation context.
constexpr char Context[] = "DeviceThread";
const char *const NotAvailable = QT_TRANSLATE_NOOP("DeviceThread", "n/a");
const char *const NoFirmware = QT_TRANSLATE_NOOP("DeviceThread", "Нет прошивки");
const char *const Ready = QT_TRANSLATE_NOOP("DeviceThread", "Готов");
const char *const IspMode = QT_TRANSLATE_NOOP("DeviceThread", "режим ISP");

QString text(const char *source)
{
    return QCoreApplication::translate(Context, source);
}

} // namespace

TDevices TDevices::of(const QString &location, const DeviceFields &fields)
{
    const QString notAvailable = text(NotAvailable);
    TDevices record;
    record.location = location;
    record.fields = fields;
    record.serialNumber = fields.serial ? QString::number(*fields.serial) : notAvailable;
    record.description = fields.name.value_or(notAvailable);
    if (fields.firmware)
        record.firmwareVersion = fields.firmware->text();
    else
        record.firmwareVersion = fields.mode == DeviceFields::Mode::Firmware ? notAvailable : text(NoFirmware);
    record.status = text(fields.mode == DeviceFields::Mode::Isp ? IspMode : Ready);
    return record;
}

void registerDeviceMetaTypes()
{
    qRegisterMetaType<TDevices>("TDevices");
    qRegisterMetaType<QList<TDevices>>("QList<TDevices>");
    qRegisterMetaType<QList<PortRefusal>>("QList<PortRefusal>");
}
