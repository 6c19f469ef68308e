#ifndef SIMULATEDPORTS_H
#define SIMULATEDPORTS_H

#include "SimulatedDevice.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <map>
#include <memory>

// Simulated devices behind COM port names, for tests. Each device runs on a pseudo-terminal
// of its own that PortNameMap maps to "\\.\COM<n>", so ComPort, the scan and the jobs reach it
// by its port name exactly as they would reach hardware.
//
// While an object exists the map's default table is off: the machine's own serial ports stay
// out of sight and only the simulated ones are found. The destructor switches every device
// off and removes its mapping. Use one object at a time.
class SimulatedPorts
{
public:
    SimulatedPorts();
    ~SimulatedPorts();

    SimulatedPorts(const SimulatedPorts &) = delete;
    SimulatedPorts &operator=(const SimulatedPorts &) = delete;

    // Starts a device on COM<number> with the faults it is to show, replacing any device there;
    // nullptr when the system gives no pseudo-terminal.
    SimulatedDevice *add(int number, const DeviceProfile &profile = DeviceProfile::ready(),
                         const QList<DeviceFault> &faults = {});
    // The device on COM<number>, or nullptr.
    SimulatedDevice *device(int number) const;
    // Switches the device off and forgets the port name.
    void remove(int number);

    // "\\.\COM<number>", as a QString and as the bytes ComPort::open takes.
    static QString portName(int number);
    static QByteArray portNameBytes(int number);

private:
    std::map<int, std::unique_ptr<SimulatedDevice>> devices;
};

#endif // SIMULATEDPORTS_H
