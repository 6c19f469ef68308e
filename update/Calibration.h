#ifndef CALIBRATION_H
#define CALIBRATION_H

#include "DeviceCommands.h"
#include "JobResult.h"
#include "LoaderCommands.h"

#include <functional>

class ComPort;

// Calibrates a device against a known external supply voltage: takes the device's own
// measurements, computes the coefficients and stores them in the device.
class Calibration
{
public:
    // The external power reading must reach this value.
    static constexpr int externalPowerThreshold = 50;
    // The external supply voltages that a calibration accepts.
    static constexpr double minimumVolts = 3.0;
    static constexpr double maximumVolts = 40.0;
    // Steps 0 to 10 do the work; the device restarts during the ticks after them.
    static constexpr int restartFirstStep = 11;

    // Reports each step as a progress() value and, on failure, the failure code.
    using Progress = std::function<void(int)>;

    Calibration(ComPort &link, double vref, Progress progress);

    // Answers JobResult::Ok or a calibration failure code; a failure has already been reported.
    JobResult::Code run();

    // The words the calibration uses: m0, m1, m4 (external power) and m5.
    struct Measurements
    {
        qint16 m0 = 0;
        qint16 m1 = 0;
        qint16 m4 = 0;
        qint16 m5 = 0;

        // The old block carries m0, m1, m4 and m5 as its first four words.
        static Measurements of(const MeasurementBlock &block);
        static Measurements of(const OldMeasurementBlock &block);
    };

    // Fills w0 to w5 and w25 of a cleared block; false when a coefficient can't be stored
    // in a word (a zero measurement or a quotient beyond the 16-bit range).
    static bool fillBlock(CalibrationBlock *block, const Measurements &m, double vref,
                          bool modelDL);
    static OldCalibrationBlock oldBlock(const CalibrationBlock &block);

private:
    bool measure(Measurements *m);
    JobResult::Code fail(JobResult::Code code);
    void step(int offset);

    ComPort &link;
    DeviceCommands device;
    LoaderCommands loader;
    double vref;
    Progress progress;
};

#endif // CALIBRATION_H
