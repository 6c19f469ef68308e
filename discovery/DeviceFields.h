#ifndef DEVICEFIELDS_H
#define DEVICEFIELDS_H

#include <QString>
#include <QtGlobal>

#include <optional>

// What a scan learnt about a device, as values: which program answers on its line and whatever
// it said of itself. A value the device did not give is empty. Output that programs read is
// made from these, never from the texts that the device list shows.
struct DeviceFields
{
    enum class Mode {
        // The device's application firmware.
        Firmware,
        // Its loader, waiting for firmware.
        Loader,
        // The chip's built-in in-system-programming mode.
        Isp,
    };

    struct Version
    {
        quint8 major = 0;
        quint8 minor = 0;
        quint16 build = 0;

        // "major.minor.build", each in decimal.
        QString text() const;
    };

    Mode mode = Mode::Firmware;
    std::optional<quint32> serial;
    std::optional<QString> name;
    std::optional<Version> firmware;

    // The values as programs read them, the same under every locale: "ready", "no_firmware" or
    // "isp"; the serial number in decimal and the firmware as "a.b.c", empty when unknown.
    QString statusCode() const;
    QString serialText() const;
    QString firmwareText() const;
};

#endif // DEVICEFIELDS_H
