#include "JobLogging.h"

Q_LOGGING_CATEGORY(lcJob, "zelkor.job")
