#include "Calibration.h"

#include "ComPort.h"
#include "DeviceInfo.h"
#include "JobProgress.h"
#include "ProtocolTiming.h"

#include <QtGlobal>

#include <cmath>
#include <cstring>

namespace {

// Short replies come quickly from running firmware; "save" writes flash and takes longer.
constexpr LinkTimeouts commandTimeouts = LinkTimeouts::reads(50, 10).writes(0, 2000);
constexpr LinkTimeouts saveTimeouts = LinkTimeouts::reads(500, 10).writes(0, 1000);

constexpr qint16 modelDLWord4 = 6606;
constexpr qint16 otherModelWord4 = 1320;
constexpr qint16 word5 = 5280;
constexpr qint16 word25 = -132;

// trunc(100 · vref · 1024 / m) when it fits a signed word.
bool coefficient(double vref, qint16 m, qint16 *word)
{
    if (m == 0)
        return false;
    const double quotient = 100.0 * vref * 1024.0 / m;
    // Written as a negated range test so that a NaN fails it too.
    if (!(quotient > -32769.0 && quotient < 32768.0))
        return false;
    *word = qint16(std::trunc(quotient));
    return true;
}

} // namespace

Calibration::Calibration(ComPort &link, double vref, Progress progress)
    : link(link), device(link), loader(link), vref(vref), progress(std::move(progress))
{ }

JobResult::Code Calibration::run()
{
    ProtocolTiming::applyTimeouts(link, commandTimeouts);
    step(0);
    DeviceCommands::FirmwareVersion version;
    if (!device.getFirmwareVersion(&version))
        return fail(JobResult::GfwvFailed);
    step(1);
    Measurements m;
    if (!measure(&m))
        return fail(JobResult::RdanFailed);
    if (m.m4 < externalPowerThreshold)
        return fail(JobResult::NoExternalPower);
    step(2);
    // Without the model the coefficients would be computed for a guessed device.
    DeviceInfo info;
    if (!device.getInfo(&info))
        return fail(JobResult::GetiFailed);
    step(3);
    if (!device.enterCalibration())
        return fail(JobResult::CalibrateFailed);
    ProtocolTiming::pause(ProtocolTiming::calibrationModePauseMs);
    step(4);
    step(5);
    if (!measure(&m))
        return fail(JobResult::RdanFailed);
    step(6);
    CalibrationBlock block {};
    step(7);
    if (!fillBlock(&block, m, vref, std::strcmp(info.model, "DL") == 0))
        return fail(JobResult::RdanFailed);
    step(8);
    if (!device.setCalibration(block)) {
        ProtocolTiming::pause(ProtocolTiming::oldCalibrationPauseMs);
        if (!device.setCalibrationOld(oldBlock(block)))
            return fail(JobResult::ScalFailed);
    }
    step(9);
    ProtocolTiming::applyTimeouts(link, saveTimeouts);
    if (!device.saveDeviceSettings())
        return fail(JobResult::SaveFailed);
    step(10);
    if (!loader.loaderReset())
        return fail(JobResult::CalibrationResetFailed);
    for (int k = 0; k < ProtocolTiming::calibrationTicks; ++k) {
        ProtocolTiming::tickWait();
        step(restartFirstStep + k);
    }
    return JobResult::Ok;
}

bool Calibration::fillBlock(CalibrationBlock *block, const Measurements &m, double vref,
                            bool modelDL)
{
    CalibrationBlock filled {};
    if (!coefficient(vref, m.m0, &filled[0]) || !coefficient(vref, m.m1, &filled[1])
        || !coefficient(vref, m.m4, &filled[2]) || !coefficient(vref, m.m5, &filled[3]))
        return false;
    filled[4] = modelDL ? modelDLWord4 : otherModelWord4;
    filled[5] = word5;
    filled[25] = word25;
    *block = filled;
    return true;
}

// Words 0 to 5, then words 20 to 25.
OldCalibrationBlock Calibration::oldBlock(const CalibrationBlock &block)
{
    OldCalibrationBlock old {};
    for (int i = 0; i < 6; ++i) {
        old[i] = block[i];
        old[6 + i] = block[20 + i];
    }
    return old;
}

bool Calibration::measure(Measurements *m)
{
    MeasurementBlock block;
    bool answered = false;
    if (device.readMeasurements(&block, &answered)) {
        *m = Measurements::of(block);
        return true;
    }
    // Firmware that answers "rdan" knows it; its measurements failed their check, and the old
    // command would only hand over the same measurements less guarded.
    if (answered)
        return false;
    OldMeasurementBlock old;
    if (device.readMeasurementsOld(&old)) {
        *m = Measurements::of(old);
        return true;
    }
    return false;
}

Calibration::Measurements Calibration::Measurements::of(const MeasurementBlock &block)
{
    return {block[0], block[1], block[4], block[5]};
}

Calibration::Measurements Calibration::Measurements::of(const OldMeasurementBlock &block)
{
    return {block[0], block[1], block[2], block[3]};
}

JobResult::Code Calibration::fail(JobResult::Code code)
{
    progress(code);
    return code;
}

void Calibration::step(int offset)
{
    progress(JobProgress::calibrationStep(offset));
}
