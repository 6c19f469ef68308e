#ifndef DEVSIMSESSION_H
#define DEVSIMSESSION_H

#include "DevsimOptions.h"
#include "SimulatedDevice.h"

#include <QElapsedTimer>
#include <QTextStream>

#include <memory>
#include <vector>

// The devices of one zelkor-devsim run and their entries in the settings file.
class DevsimSession
{
public:
    explicit DevsimSession(const DevsimOptions &options);
    ~DevsimSession();

    // Starts every device and writes its path into the "Ports" group.
    bool start(QString *error);
    // Stops the devices and removes the entries this run wrote (unless something else has
    // replaced them since).
    bool stop(QString *error);

    QString table() const;
    // Prints the requests logged since the last call.
    void printTraffic(QTextStream &out);

private:
    struct Running
    {
        PlannedDevice plan;
        std::unique_ptr<SimulatedDevice> device;
        int printed = 0; // log records already printed
    };

    bool writePorts(QString *error);

    const DevsimOptions &options;
    std::vector<Running> devices;
    QElapsedTimer clock;
    bool portsWritten = false;
};

#endif // DEVSIMSESSION_H
