#ifndef JOBPROGRESS_H
#define JOBPROGRESS_H

#include <QMetaType>

#include <optional>

// How far a job has got: the phase that runs and its percentage. UpdateThread's progress()
// carries it packed into one number beside the failure codes; this is the one place that
// unpacks it.
struct JobProgress
{
    enum class Phase { Update, Calibration };

    Phase phase = Phase::Update;
    // 0 to 100 within the phase; a calibration moves in steps of CalibrationStepPercent.
    int percent = 0;

    // progress() values: update percents 0 to UpdateLastPercent, calibration steps from
    // CalibrationFirstStep on.
    static constexpr int UpdateLastPercent = 100;
    static constexpr int CalibrationFirstStep = 200;
    static constexpr int CalibrationStepPercent = 5;

    // None for a failure code, and for 101 to 199, which mean nothing.
    static std::optional<JobProgress> decode(int percents);
    // The progress() value of a calibration step.
    static constexpr int calibrationStep(int step) { return CalibrationFirstStep + step; }
};

Q_DECLARE_METATYPE(JobProgress)

#endif // JOBPROGRESS_H
