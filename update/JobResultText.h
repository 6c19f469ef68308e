#ifndef JOBRESULTTEXT_H
#define JOBRESULTTEXT_H

#include "JobProgress.h"
#include "JobResult.h"

#include <QString>

// How a job's progress and failure codes are shown, translated in the window's context.
namespace JobResultText {

// A bar of "|" and the percentage, e.g. "||||| 57%": a tenth of the bar per ten percent of an
// update, per two steps of a calibration begun.
QString progress(const JobProgress &progress);
// The message that says what went wrong, and the short text a device's row keeps; empty for a
// code that has no text.
QString message(JobResult::Code code);
// The message untranslated, for the job log, which reads the same whoever wrote it.
QString logText(JobResult::Code code);
QString rowText(JobResult::Code code);

} // namespace JobResultText

#endif // JOBRESULTTEXT_H
