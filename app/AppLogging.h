#ifndef APPLOGGING_H
#define APPLOGGING_H

#include <QLoggingCategory>

// The window's own lines: its settings and its log.
Q_DECLARE_LOGGING_CATEGORY(lcApp)

#endif // APPLOGGING_H
