#ifndef LINKLOGGING_H
#define LINKLOGGING_H

#include <QLoggingCategory>

// The port layer's own lines: port names and paths it could not use.
Q_DECLARE_LOGGING_CATEGORY(lcLink)

#endif // LINKLOGGING_H
