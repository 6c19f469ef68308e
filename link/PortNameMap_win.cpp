#include "PortNameMap.h"

// On Windows the port names are the devices' own names.
QString PortNameMap::defaultPath(int number)
{
    return number != 0 ? portName(number) : QString();
}
