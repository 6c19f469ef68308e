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
// Replies that carry data may carry its check value. Once the firmware version, the first
// reply a calibration asks for, has come with a valid one, every later reply with a check field
// must too, and a wrong one counts as no reply: a flipped bit would otherwise end up in the
// device's coefficients. Measurements are read again a few times before they count as failed.
// Firmware that leaves the field unfilled is served as before.
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
    bool readMeasurements(MeasurementBlock *block);
    bool readMeasurementsOld(OldMeasurementBlock *block);
    bool enterCalibration();
    bool setCalibration(CalibrationBlock block);
    bool setCalibrationOld(OldCalibrationBlock block);
    bool saveDeviceSettings();

private:
    bool command(const char *word, char *reply, unsigned replyLength);
    // A command whose reply carries dataLength bytes at dataOffset, then their check value.
    bool checkedCommand(const char *word, char *reply, unsigned replyLength, unsigned dataOffset,
                        unsigned dataLength);
    bool checkMatches(const char *reply, unsigned dataOffset, unsigned dataLength) const;
    bool queryVersion(const char *word, FirmwareVersion *version);
    template<std::size_t N> bool sendBlock(const char *word, const std::array<qint16, N> &block);

    ComPort &link;
    bool repliesChecked = false;
};

#endif // DEVICECOMMANDS_H
