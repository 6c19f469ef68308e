#include "DeviceNodeWatcher.h"

DeviceNodeWatcher::DeviceNodeWatcher(QObject *parent)
    : DeviceNodeWatcher({QStringLiteral("/dev"), QStringLiteral("/dev/serial/by-id")}, parent)
{ }
