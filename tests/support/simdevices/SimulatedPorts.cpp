#include "SimulatedPorts.h"

#include "PortNameMap.h"

SimulatedPorts::SimulatedPorts()
{
    PortNameMap::instance().setDefaultTableEnabled(false);
}

SimulatedPorts::~SimulatedPorts()
{
    while (!devices.empty())
        remove(devices.begin()->first);
    PortNameMap::instance().setDefaultTableEnabled(true);
}

SimulatedDevice *SimulatedPorts::add(int number, const DeviceProfile &profile,
                                     const QList<DeviceFault> &faults)
{
    remove(number);
    auto device = std::make_unique<SimulatedDevice>(profile);
    for (const DeviceFault &fault : faults)
        device->addFault(fault);
    if (!device->start())
        return nullptr;
    PortNameMap::instance().setPath(portName(number), device->portPath());
    return (devices[number] = std::move(device)).get();
}

SimulatedDevice *SimulatedPorts::device(int number) const
{
    const auto found = devices.find(number);
    return found == devices.end() ? nullptr : found->second.get();
}

void SimulatedPorts::remove(int number)
{
    const auto found = devices.find(number);
    if (found == devices.end())
        return;
    PortNameMap::instance().removePath(portName(number));
    devices.erase(found);
}

QString SimulatedPorts::portName(int number)
{
    return PortNameMap::portName(number);
}

QByteArray SimulatedPorts::portNameBytes(int number)
{
    return portName(number).toLatin1();
}
