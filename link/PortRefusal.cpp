#include "PortRefusal.h"

#include "PortHolder.h"

void PortRefusal::findHolder()
{
    if (error.code != EBUSY)
        return;
    const PortHolder holder = PortHolder::of(devicePath);
    holderName = holder.name;
    holderPid = holder.pid;
}
