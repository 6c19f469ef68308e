#ifndef JOBORDER_H
#define JOBORDER_H

#include "JobKind.h"

#include <QString>

// What a device's job is to do.
struct JobOrder
{
    // A device that still asks for firmware after its update gets the whole job again, this many
    // times at most; a loader that never finishes would otherwise be fed for ever.
    static constexpr int DefaultRepeats = 3;

    JobKind kind = JobKind::Update;
    QString firmwareFile;
    // The external supply voltage of a calibration.
    double volts = 0.0;
    int repeats = DefaultRepeats;
};

#endif // JOBORDER_H
