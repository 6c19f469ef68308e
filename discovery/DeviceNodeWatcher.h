#ifndef DEVICENODEWATCHER_H
#define DEVICENODEWATCHER_H

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <QStringList>

// Tells when a serial device node appears (a USB adapter plugged in), so that the scan can look
// at once instead of at its next tick. Watches folders of device nodes and reports each new
// entry whose path a port name maps to (PortNameMap). A folder that does not exist yet is
// watched from the first change of another one on which it does.
class DeviceNodeWatcher : public QObject
{
    Q_OBJECT

public:
    // Watches "/dev", and "/dev/serial/by-id" where udev keeps its stable names for USB
    // adapters; nothing on Windows.
    explicit DeviceNodeWatcher(QObject *parent = nullptr);
    explicit DeviceNodeWatcher(const QStringList &folders, QObject *parent = nullptr);

signals:
    void portAppeared(const QString &portName);

private:
    void look();
    QSet<QString> entries() const;

    QFileSystemWatcher watcher;
    const QStringList folders;
    // Full paths of the entries seen at the last look.
    QSet<QString> known;
};

#endif // DEVICENODEWATCHER_H
