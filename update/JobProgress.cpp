#include "JobProgress.h"

std::optional<JobProgress> JobProgress::decode(int percents)
{
    if (percents >= 0 && percents <= UpdateLastPercent)
        return JobProgress {Phase::Update, percents};
    if (percents >= CalibrationFirstStep)
        return JobProgress {Phase::Calibration,
                            (percents - CalibrationFirstStep) * CalibrationStepPercent};
    return std::nullopt;
}
