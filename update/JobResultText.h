#ifndef JOBRESULTTEXT_H
#define JOBRESULTTEXT_H

#include <QString>

// The words a failure code is shown in, translated in the window's context: the message that
// says what went wrong, and the short text a device's row keeps.
namespace JobResultText {

// Empty for a code that has no text.
QString message(int code);
QString rowText(int code);

} // namespace JobResultText

#endif // JOBRESULTTEXT_H
