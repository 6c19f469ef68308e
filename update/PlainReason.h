#ifndef PLAINREASON_H
#define PLAINREASON_H

#include "FirmwareFileDefect.h"
#include "JobResult.h"

#include <QCoreApplication>
#include <QString>

// A job's failure told plainly, for users who don't know the devices' command words: what
// happened and what to do next. It stands beside the short texts of JobResultText, which keep
// their place in the Status column and the job log.
class PlainReason
{
    Q_DECLARE_TR_FUNCTIONS(PlainReason)

public:
    // Empty for a code that is no failure the jobs report. A failure of the firmware file names
    // the file and, where one is at fault, the line.
    static QString of(JobResult::Code code, const FirmwareFileDefect &defect = {});

private:
    static QString fileDefect(const FirmwareFileDefect &defect);
    static QString openFailure(const FirmwareFileDefect &defect);
};

#endif // PLAINREASON_H
