#include "FaultScript.h"

void FaultScript::add(const DeviceFault &fault)
{
    entries.append({fault, 0});
}

void FaultScript::clear()
{
    entries.clear();
}

std::optional<DeviceFault> FaultScript::take(const QString &requestName)
{
    std::optional<DeviceFault> striking;
    for (Entry &entry : entries) {
        if (!entry.fault.matches(requestName))
            continue;
        const int turn = entry.seen++;
        const DeviceFault &fault = entry.fault;
        const bool due = turn >= fault.skip && (fault.times < 0 || turn < fault.skip + fault.times);
        if (due && !striking)
            striking = fault;
    }
    return striking;
}
