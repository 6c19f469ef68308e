#ifndef SIMULATEDDEVICE_H
#define SIMULATEDDEVICE_H

#include "DeviceEngine.h"
#include "PseudoTerminal.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

// One simulated device on a pseudo-terminal of its own, served by a thread of its own from
// start() until stop() or destruction. portPath() is the "serial port" to open.
//
// Every method may be called from any thread.
class SimulatedDevice
{
public:
    explicit SimulatedDevice(const DeviceProfile &profile = DeviceProfile::ready());
    ~SimulatedDevice();

    SimulatedDevice(const SimulatedDevice &) = delete;
    SimulatedDevice &operator=(const SimulatedDevice &) = delete;

    // Creates the line and starts serving it. A device starts once; false (see errorString)
    // when it ran before or the system gives no pseudo-terminal.
    bool start();
    // Switches the device off: the thread ends, the port path disappears and the device is
    // left in mode Unplugged.
    void stop();

    QString portPath() const { return path; }
    QString errorString() const { return error; }
    const DeviceProfile &profile() const { return engine.profile(); }

    void addFault(const DeviceFault &fault) { engine.addFault(fault); }
    void clearFaults() { engine.clearFaults(); }
    // Pulls the plug and returns once the port path has disappeared; the device stays in mode
    // Unplugged. The same as stop(), under the name a test means.
    void unplug() { stop(); }

    DeviceState state() const { return engine.state(); }
    DeviceMode mode() const { return engine.state().mode; }
    WireLog &log() { return engine.log(); }
    const WireLog &log() const { return engine.log(); }

private:
    void run();
    void waitForInput(LineTiming::Clock::time_point wake);
    bool oneStopBit() const;
    void wake();

    DeviceEngine engine;
    std::unique_ptr<PseudoTerminal> line;
    QString path;
    QString error;
    int wakeDescriptor = -1;
    std::mutex workerMutex; // one caller at a time joins the thread
    std::thread worker;
    std::atomic<bool> stopRequested {false};
};

#endif // SIMULATEDDEVICE_H
