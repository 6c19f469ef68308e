#include "ScanLogging.h"

Q_LOGGING_CATEGORY(lcScan, "zelkor.scan")
Q_LOGGING_CATEGORY(lcScanPass, "zelkor.scan.pass")
