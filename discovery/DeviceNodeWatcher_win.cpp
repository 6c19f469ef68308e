#include "DeviceNodeWatcher.h"

// A COM port has no node in a folder on Windows, and its device-change message reaches only a
// window: the scan's one-second tick finds a new adapter there.
DeviceNodeWatcher::DeviceNodeWatcher(QObject *parent) : DeviceNodeWatcher(QStringList(), parent) { }
