#ifndef SOAKSCRIPT_H
#define SOAKSCRIPT_H

#include "WindowBench.h"

#include <functional>
#include <map>

class JobWatch;

// The scripted user and the hand that pulls plugs: a step every StepMs starts updates and
// calibrations on some rows, or pulls the plug of a device in the middle of its job or of an
// idle one; pulled plugs go back in a few steps later.
class SoakScript
{
public:
    static constexpr int Devices = 16;
    static constexpr int StepMs = 2500;

    // Each device paces its line, answers the loader question with "yy" so that scan passes
    // stay short, and carries a serial number of its own.
    static DeviceProfile profileOf(int port);

    SoakScript(WindowBench::Bench &bench, Zelkor &window, const JobWatch &jobs);

    int commands = 0;
    int refused = 0; // commands whose button the window had disabled
    int unpluggedBusy = 0;
    int unpluggedIdle = 0;
    int replugged = 0;
    bool failed = false; // a device could not be started again

    // Steps for ms milliseconds; onMinute is called at each whole minute from the start.
    void run(qint64 ms, const std::function<void(int minute)> &onMinute = {});
    // Every device plugged back in and every job to its end; false when a job did not end.
    bool drain();
    // The simulated devices log every exchange; that memory is the bench's, not the window's.
    void forgetWireLogs();

private:
    void step();
    bool plugged(int port) const { return replugAt.find(port) == replugAt.end(); }
    QList<int> busyPorts() const;
    QList<int> idlePorts(int count);
    void startJobs(const char *buttonName, bool calibrateAfter, int count);
    void unplug(const QList<int> &candidates, int afterSteps, int &counter);
    void replugDue();
    void replug(int port);

    WindowBench::Bench &bench;
    Zelkor &window;
    QTreeWidget *tree;
    const JobWatch &jobs;
    int stepCount = 0;
    int cursor = 0;
    std::map<int, int> replugAt; // unplugged port: the step that plugs it back in
};

#endif // SOAKSCRIPT_H
