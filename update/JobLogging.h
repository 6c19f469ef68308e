#ifndef JOBLOGGING_H
#define JOBLOGGING_H

#include <QLoggingCategory>

// The lines about jobs: started, repeated, ended.
Q_DECLARE_LOGGING_CATEGORY(lcJob)

#endif // JOBLOGGING_H
