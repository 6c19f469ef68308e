#ifndef DEVICETHREAD_H
#define DEVICETHREAD_H

#include "PortRefusal.h"
#include "TDevices.h"

#include <QStringList>
#include <QThread>

#include <memory>

class ScanLinks;
class VariantMasks;

// The scan worker. Each start() runs one pass over every port that can be opened: it tells
// firmware, loader and ISP mode apart, identifies devices that run firmware and ends with
// finish(), which also names the ports whose device exists but could not be opened, and why.
// The pass talks to all its ports at once, each on a link and a thread of its own, so it lasts
// as long as its slowest port. Between passes it remembers, per port, which command variants
// the device answered, so later passes send only those.
//
// Threads: run() is the worker thread, which starts and joins one thread per port. excludePort,
// releasePort, forgetVariants and usesPort may be called from any thread (a job takes its port
// from a thread of its own); the rest is for the thread that owns the object.
// Stopping: requestStop() ends a running pass early; the destructor stops the pass itself and
// waits for it, so deleting the worker is always safe.
class DeviceThread : public QThread
{
    Q_OBJECT

public:
    DeviceThread();
    ~DeviceThread() override;

    // Keeps the scan away from a port (a job is about to use it): later passes neither list nor
    // open it, and if a link of the pass holds that port right now it is closed, after the
    // exchange in progress, so the pass moves on at once. Once this returns, no scan byte
    // reaches the port.
    void excludePort(QString name);
    // Hands a port back to the scan; removes every exclusion of that name.
    void releasePort(QString name);
    // The next pass tries every command variant on this port again (its device may now run
    // other firmware).
    void forgetVariants(QString location);
    // Ends a running pass as soon as each port's exchange in progress is over: the links close,
    // the pass keeps what it learnt about the ports' command variants and returns without
    // emitting finish(), whose lists would be partial. Returns when the links are closed, which
    // waits for those exchanges; wait() for the pass to end. A later start() scans afresh.
    void requestStop();
    // True while a link of the scan has this port open or is trying it.
    bool usesPort(const QString &name) const;

signals:
    void finish(QStringList all_locations, QList<TDevices> devices, QList<PortRefusal> refused);

protected:
    void run() override;

private:
    QStringList listPorts(QList<PortRefusal> *refused);

    const std::unique_ptr<ScanLinks> links;
    const std::unique_ptr<VariantMasks> masks;
};

#endif // DEVICETHREAD_H
