#ifndef JOBOUTCOME_H
#define JOBOUTCOME_H

#include "JobKind.h"
#include "JobProgress.h"
#include "JobRecord.h"

#include <QCoreApplication>
#include <QString>

// What the window says about a job beside the Status column's own texts: the job's and the
// phase's names, its outcome in a word or two, and the mark its row keeps.
class JobOutcome
{
    Q_DECLARE_TR_FUNCTIONS(JobOutcome)

public:
    // "Update", "Calibration" or "Update and calibration".
    static QString jobName(JobKind kind);
    // The phase that runs and how far it has got, e.g. "Calibration: 25%".
    static QString phase(const JobProgress &progress);
    // E.g. "Updated", "Calibration failed: Can't execute command SAVE".
    static QString result(const JobRecord &record);
    // What to do next; empty after a success.
    static QString reason(const JobRecord &record);
    // The mark a row keeps of its last job: "✓ updated to 2.0.1 at 14:02", "✗ " and the reason.
    static QString mark(const JobRecord &record);
    static bool succeeded(const JobRecord &record);
};

#endif // JOBOUTCOME_H
