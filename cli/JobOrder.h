#ifndef JOBORDER_H
#define JOBORDER_H

#include <QString>

// What every port's job is to do.
struct JobOrder
{
    QString firmwareFile;
    bool update = false;
    bool calibrate = false;
    double volts = 0.0;
    // Repeats of the whole job while the device still asks for firmware after an update.
    int repeats = 0;
};

#endif // JOBORDER_H
