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
    bool queryVersion(const char *word, FirmwareVersion *version);
    template<std::size_t N> bool sendBlock(const char *word, const std::array<qint16, N> &block);

    ComPort &link;
};

#endif // DEVICECOMMANDS_H
