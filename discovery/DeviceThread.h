#ifndef DEVICETHREAD_H
#define DEVICETHREAD_H

#include "TDevices.h"

#include <QMap>
#include <QMutex>
#include <QStringList>
#include <QThread>

#include <memory>
#include <optional>

class ComPort;

// The scan worker. Each start() runs one pass over every port that can be opened: it tells
// firmware, loader and ISP mode apart, identifies devices that run firmware and ends with
// finish(). Between passes it remembers, per port, which command variants the device answered,
// so later passes send only those.
//
// Threads: run() is the worker thread; everything else is for the thread that owns the object.
// Stopping: requestStop() ends a running pass early; the destructor stops the pass itself and
// waits for it, so deleting the worker is always safe.
class DeviceThread : public QThread
{
    Q_OBJECT

public:
    DeviceThread();
    ~DeviceThread() override;

    // Keeps the scan away from a port (a job is about to use it): later passes neither list nor
    // open it, and if the link holds that port right now it is closed, after the exchange in
    // progress, so the pass moves on at once.
    void excludePort(QString name);
    // Hands a port back to the scan; removes every exclusion of that name.
    void releasePort(QString name);
    // The next pass tries every command variant on this port again (its device may now run
    // other firmware).
    void forgetVariants(QString location);
    // Ends a running pass as soon as the exchange in progress is over: the link closes, the
    // pass keeps what it learnt about the port's command variants and returns without
    // emitting finish(), whose lists would be partial. Returns when the link is closed, which
    // waits for that exchange; wait() for the pass to end. A later start() scans afresh.
    void requestStop();
    // True while the scan's link has this port open or is trying it.
    bool usesPort(const QString &name) const;

    // The firmware and ISP probes on the scan's link, which must be open.
    int checkFirmware();
    bool checkIsp();

signals:
    void finish(QStringList all_locations, QList<TDevices> devices);

protected:
    void run() override;

private:
    enum class GroupOutcome {
        Answered,
        Unanswered,
        // Stopped, or the port was taken from the scan: the group's bits stay as they were.
        Abandoned,
    };

    void scanPort(const QString &name, QList<TDevices> &devices);
    void identify(const QString &name, int mask, QList<TDevices> &devices);
    GroupOutcome runGroup(const QString &name, int group, int &mask, std::optional<QString> &value);
    bool mayExchange(const QString &name) const;

    int workingMask(const QString &name);
    void storeMask(const QString &name, int mask);

    std::unique_ptr<ComPort> link;
    // The port the pass is working on; used by the worker thread only.
    QString scannedPort;
    mutable QMutex masksMutex;
    // Per port: the identification variants still worth sending (bits in DeviceThread.cpp).
    QMap<QString, int> variantMasks;
};

#endif // DEVICETHREAD_H
