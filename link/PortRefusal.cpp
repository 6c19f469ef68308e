#include "PortRefusal.h"

#include "PortHolder.h"

void PortRefusal::findHolder()
{
    if (error.kind != PortError::Busy)
        return;
    const PortHolder holder = PortHolder::of(devicePath);
    holderName = holder.name;
    holderPid = holder.pid;
}
