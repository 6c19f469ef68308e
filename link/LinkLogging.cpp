#include "LinkLogging.h"

Q_LOGGING_CATEGORY(lcLink, "zelkor.link")
