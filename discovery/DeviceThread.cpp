#include "DeviceThread.h"

#include "ComPort.h"
#include "PortScan.h"
#include "ScanLinks.h"
#include "VariantMasks.h"

#include <optional>
#include <thread>
#include <vector>

DeviceThread::DeviceThread()
    : links(std::make_unique<ScanLinks>()), masks(std::make_unique<VariantMasks>())
{ }

DeviceThread::~DeviceThread()
{
    requestStop();
    wait();
}

void DeviceThread::excludePort(QString name)
{
    links->excludePort(name);
}

void DeviceThread::releasePort(QString name)
{
    links->releasePort(name);
}

void DeviceThread::forgetVariants(QString location)
{
    masks->forget(location);
}

void DeviceThread::requestStop()
{
    requestInterruption();
    // Waits for the exchanges in progress; every later one sees the request and is not begun.
    links->closeAll();
}

bool DeviceThread::usesPort(const QString &name) const
{
    return links->usesPort(name);
}

void DeviceThread::run()
{
    QList<PortRefusal> refused;
    const QStringList ports = listPorts(&refused);
    // One slot per port, written by that port's thread alone and read after the join, so the
    // records come out in port order whichever port finishes first.
    std::vector<std::optional<TDevices>> records(size_t(ports.size()));
    std::vector<std::optional<PortRefusal>> refusals(size_t(ports.size()));
    std::vector<std::thread> portThreads;
    portThreads.reserve(records.size());
    for (qsizetype i = 0; i < ports.size(); ++i) {
        portThreads.emplace_back([this, &ports, &records, &refusals, i] {
            PortScan scan(ports[i], *links, *masks, *this);
            records[size_t(i)] = scan.run();
            refusals[size_t(i)] = scan.refusal();
        });
    }
    for (std::thread &portThread : portThreads)
        portThread.join();
    if (isInterruptionRequested())
        return;
    QList<TDevices> devices;
    for (const std::optional<TDevices> &record : records) {
        if (record)
            devices.append(*record);
    }
    // A port refused at its own open is reported as one refused while listing.
    QStringList opened;
    for (size_t i = 0; i < refusals.size(); ++i) {
        if (refusals[i])
            refused.append(*refusals[i]);
        else
            opened.append(ports[qsizetype(i)]);
    }
    emit finish(opened, devices, refused);
}

QStringList DeviceThread::listPorts(QList<PortRefusal> *refused)
{
    const std::shared_ptr<ComPort> lister = links->add();
    const QStringList ports = lister->availablePorts(refused);
    links->retire(lister);
    return ports;
}
