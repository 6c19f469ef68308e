#ifndef DEVICEPROFILE_H
#define DEVICEPROFILE_H

#include <QByteArray>
#include <QMetaType>
#include <QSet>
#include <QString>

#include <array>
#include <optional>

// What a simulated device runs when it is switched on.
enum class DeviceMode {
    Firmware, // running firmware: ASCII command words
    Loader, // serial loader: binary frames
    Isp, // the chip's in-system-programming mode: echoes "?" at one stop bit
    Silent, // nothing attached to the port
    Unplugged // the line has gone; only reached at run time
};

QString modeName(DeviceMode mode);

struct FirmwareVersion
{
    quint8 major = 0;
    quint8 minor = 0;
    quint16 build = 0;

    QString toString() const;
    // "major.minor.build" in decimal, each part within its field's range.
    static std::optional<FirmwareVersion> fromString(const QString &text);

    bool operator==(const FirmwareVersion &other) const
    {
        return major == other.major && minor == other.minor && build == other.build;
    }
};

// Everything that makes one simulated device differ from another. A plain value: copy it,
// change fields, hand it to a SimulatedDevice.
struct DeviceProfile
{
    enum class ProbeAnswer {
        Errc, // the 4-byte "errc" most firmware gives to the loader's "1g" probe
        Yes // the 8-byte "yy" answer with its check value
    };

    static constexpr int MeasurementWords = 24;

    DeviceMode mode = DeviceMode::Firmware;

    // Identity, as "geti", "gser" and "gfwv" report it; texts are cut or zero-padded to their
    // field widths (4, 2 and 8 bytes).
    QByteArray type = "ZLKR";
    QByteArray model = "DL";
    QByteArray description = "DL-METER";
    quint32 serialNumber = 100001;
    FirmwareVersion firmware {1, 2, 345};

    // Length of the "geti" reply: 36, 20, or 0 when the firmware doesn't know "geti". The
    // request is the same for both lengths, so a device answers with exactly one of them.
    int getiLength = 36;
    // Command words the firmware does not know: they get no reply at all.
    QSet<QByteArray> unanswered;
    // "calb" is only echoed after an "init".
    bool calbNeedsInit = false;
    ProbeAnswer probeAnswer = ProbeAnswer::Errc;

    // The measurement block that "rdan" returns; word 4 is the external power reading.
    std::array<qint16, MeasurementWords> measurements {1000, 1000, 20,  30,  1200, 1000, 60,  70,
                                                       80,   90,   100, 110, 120,  130,  140, 150,
                                                       160,  170,  180, 190, 200,  210,  220, 230};

    // Loader mode only: whether a complete firmware image is installed, which the loader boots
    // on RESET or after bootDelayMs without a request (0: only on RESET).
    bool firmwareIntact = false;
    int bootDelayMs = 1500;

    // After a RESET the chip restarts: what arrives within this many milliseconds is lost
    // (0: nothing is).
    int resetSettleMs = 0;

    // Line-speed pacing (115200 bit/s, 11 bits a byte) in both directions, and a pause before
    // every reply starts.
    bool pacing = false;
    int replyLatencyMs = 0;

    // Current firmware that answers every command in its newer form.
    static DeviceProfile ready();
    // Older firmware: 20-byte "geti", "g000", "g001", "1234", "init" before "calb", "s002".
    static DeviceProfile legacy();
    // An empty chip waiting in its loader.
    static DeviceProfile loader();
    static DeviceProfile isp();
    static DeviceProfile silent();

    bool answers(const QByteArray &command) const { return !unanswered.contains(command); }
};

Q_DECLARE_METATYPE(DeviceProfile)

#endif // DEVICEPROFILE_H
