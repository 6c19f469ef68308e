#ifndef JOBRESULTTEXT_H
#define JOBRESULTTEXT_H

#include <QString>

// How a job's progress and failure codes are shown, translated in the window's context.
namespace JobResultText {

// A bar of "|" and the percentage, e.g. "||||| 57%", for an update's percents or a calibration's
// step; null for a value that is neither.
QString progress(int percents);
// The message that says what went wrong, and the short text a device's row keeps; empty for a
// code that has no text.
QString message(int code);
QString rowText(int code);

} // namespace JobResultText

#endif // JOBRESULTTEXT_H
