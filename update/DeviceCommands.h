#ifndef DEVICECOMMANDS_H
#define DEVICECOMMANDS_H

#include <QByteArray>
#include <QtGlobal>

#include <array>

class ComPort;
struct DeviceInfo;

using MeasurementBlock = std::array<qint16, 24>;
using OldMeasurementBlock = std::array<qint16, 14>;
using CalibrationBlock = std::array<qint16, 40>;
using OldCalibrationBlock = std::array<qint16, 12>;

// The commands of a device's running firmware that a calibration needs, sent on an open link.
// Where the firmware knows a command in two forms, the newer form is asked first.
//
// Replies that carry data carry its check value, which ReplyCheck judges: a wrong one counts
// as no reply, since a flipped bit would otherwise end up in the device's coefficients.
// Measurements are read again a few times before they count as failed. Firmware that leaves
// the field zero is served as before, until it has sent a right one.
class DeviceCommands
{
public:
    struct FirmwareVersion
    {
        quint8 major = 0;
        quint8 minor = 0;
        quint16 build = 0;
    };

    explicit DeviceCommands(ComPort &link);

    bool getInfo(DeviceInfo *info);
    bool getFirmwareVersion(FirmwareVersion *version);
    // answered: set once a whole, echoed reply came, whatever its check value.
    bool readMeasurements(MeasurementBlock *block, bool *answered);
    bool readMeasurementsOld(OldMeasurementBlock *block);
    bool enterCalibration();
    bool setCalibration(CalibrationBlock block);
    bool setCalibrationOld(OldCalibrationBlock block);
    bool saveDeviceSettings();

    // The decoding of the replies, apart from the link; each reads a whole reply of the length
    // given here and answers false when its check value rules it out (ReplyCheck::accepts, with
    // checksFilled: whether the device has sent a right one before).
    static constexpr unsigned versionReplyLength = 10;
    static constexpr unsigned longInfoReplyLength = 36;
    static constexpr unsigned shortInfoReplyLength = 20;
    static constexpr unsigned measurementReplyLength = 54;
    static constexpr unsigned oldMeasurementReplyLength = 34;
    static bool decodeVersion(const char *reply, bool &checksFilled, FirmwareVersion *version);
    static bool decodeInfo(const char *reply, unsigned replyLength, bool &checksFilled,
                           DeviceInfo *info);
    static bool decodeMeasurements(const char *reply, bool &checksFilled, MeasurementBlock *block);
    // The reply's leading command word is the caller's to check.
    static bool decodeOldMeasurements(const char *reply, bool &checksFilled,
                                      OldMeasurementBlock *block);

private:
    bool command(const char *word, char *reply, unsigned replyLength);
    bool queryInfo(unsigned replyLength, DeviceInfo *info);
    bool queryVersion(const char *word, FirmwareVersion *version);
    template<std::size_t N> bool sendBlock(const char *word, const std::array<qint16, N> &block);

    ComPort &link;
    bool checksFilled = false;
};

#endif // DEVICECOMMANDS_H
