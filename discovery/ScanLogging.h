#ifndef SCANLOGGING_H
#define SCANLOGGING_H

#include <QLoggingCategory>

// The scan's lines. Those of zelkor.scan.pass come with every pass, about once a second while
// the program idles; the program's log keeps them only when asked to.
Q_DECLARE_LOGGING_CATEGORY(lcScan)
Q_DECLARE_LOGGING_CATEGORY(lcScanPass)

#endif // SCANLOGGING_H
