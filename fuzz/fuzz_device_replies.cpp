// The replies an update or calibration reads: the firmware version, the identity and both
// measurement forms decoded from the same bytes, the coefficients computed from the
// measurements, and the loader's status reply to each frame.
//
// Input: one flag byte (bit 0: the device has sent a right check value before), two bytes of
// the supply voltage in hundredths of a volt above 3 V, then the reply.
#include "Calibration.h"
#include "DeviceCommands.h"
#include "DeviceInfo.h"
#include "FuzzInput.h"
#include "LoaderCommands.h"

#include <cstring>

namespace {

// The voltages a user can give: 3.00 to 40.00 V.
constexpr int LowestVrefHundredths = 300;
constexpr int HighestVrefHundredths = 4000;

const quint16 LoaderCodes[] = {LoaderCommands::ConnectCode, LoaderCommands::SetAddressCode,
                               LoaderCommands::WriteDataCode, LoaderCommands::FinishCode};

void calibrate(const Calibration::Measurements &m, double vref, const DeviceInfo &info)
{
    CalibrationBlock block {};
    if (Calibration::fillBlock(&block, m, vref, std::strcmp(info.model, "DL") == 0))
        Calibration::oldBlock(block);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const bool filledBefore = input.byte() & 1;
    const int high = input.byte();
    const int raw = high << 8 | input.byte();
    const double vref =
        (LowestVrefHundredths + raw % (HighestVrefHundredths - LowestVrefHundredths + 1)) / 100.0;
    // The longest reply: the measurements.
    char reply[DeviceCommands::measurementReplyLength];
    input.fill(reply);

    // Each decoder on its own, as if it were the first reply with a check value after those
    // the flag stands for.
    bool filled = filledBefore;
    DeviceCommands::FirmwareVersion version;
    DeviceCommands::decodeVersion(reply, filled, &version);
    DeviceInfo info;
    filled = filledBefore;
    if (!DeviceCommands::decodeInfo(reply, DeviceCommands::longInfoReplyLength, filled, &info))
        DeviceCommands::decodeInfo(reply, DeviceCommands::shortInfoReplyLength, filled, &info);
    requireThat(std::strlen(info.description) < sizeof info.description,
                "the description is terminated");
    MeasurementBlock block;
    filled = filledBefore;
    if (DeviceCommands::decodeMeasurements(reply, filled, &block))
        calibrate(Calibration::Measurements::of(block), vref, info);
    OldMeasurementBlock oldBlock;
    filled = filledBefore;
    if (DeviceCommands::decodeOldMeasurements(reply, filled, &oldBlock))
        calibrate(Calibration::Measurements::of(oldBlock), vref, info);

    const auto *status = reinterpret_cast<const uchar *>(reply);
    for (const quint16 code : LoaderCodes) {
        filled = filledBefore;
        LoaderCommands::replyAccepts(code, status, filled);
    }
    return 0;
}
