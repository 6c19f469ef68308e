#ifndef JOBKIND_H
#define JOBKIND_H

#include <QMetaType>

// What a job does to its device.
enum class JobKind {
    Update,
    Calibrate,
    // A calibration right after the update, in the same job.
    UpdateThenCalibrate,
};

constexpr bool jobUpdates(JobKind kind)
{
    return kind != JobKind::Calibrate;
}

constexpr bool jobCalibrates(JobKind kind)
{
    return kind != JobKind::Update;
}

Q_DECLARE_METATYPE(JobKind)

#endif // JOBKIND_H
