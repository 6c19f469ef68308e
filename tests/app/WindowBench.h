#ifndef WINDOWBENCH_H
#define WINDOWBENCH_H

#include "PortNameMap.h"
#include "SimulatedPorts.h"
#include "Zelkor.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

// Makes a fresh, empty directory the working directory for as long as it lives, so that each
// window under test reads and writes a settings.ini of its own.
class ScratchDirectory
{
public:
    ScratchDirectory() : previous(QDir::currentPath()) { QDir::setCurrent(directory.path()); }
    ~ScratchDirectory() { QDir::setCurrent(previous); }

    QString path() const { return directory.path(); }

    // A group of the settings.ini in the working directory.
    static QVariantMap storedSettings(const QString &group = QStringLiteral("Program_settings"))
    {
        QSettings settings(QStringLiteral("settings.ini"), QSettings::IniFormat);
        settings.beginGroup(group);
        QVariantMap values;
        for (const QString &key : settings.childKeys())
            values.insert(key, settings.value(key));
        return values;
    }

    static void storeSettings(const QVariantMap &values,
                              const QString &group = QStringLiteral("Program_settings"))
    {
        QSettings settings(QStringLiteral("settings.ini"), QSettings::IniFormat);
        settings.beginGroup(group);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.setValue(it.key(), it.value());
    }

private:
    QTemporaryDir directory;
    QString previous;
};

namespace WindowBench {

// Generous: a pass over a new device costs a few exchanges, sanitizers slow it down.
constexpr int ListTimeoutMs = 15000;

inline QTreeWidget *deviceList(const Zelkor &window)
{
    return window.findChild<QTreeWidget *>(QStringLiteral("treeWidget"));
}

inline QTreeWidgetItem *row(const Zelkor &window, int port)
{
    const QList<QTreeWidgetItem *> rows =
        deviceList(window)->findItems(PortNameMap::portName(port), Qt::MatchExactly);
    return rows.isEmpty() ? nullptr : rows.first();
}

inline QPushButton *button(const Zelkor &window, const char *name)
{
    return window.findChild<QPushButton *>(QLatin1String(name));
}

// Simulated devices, a scratch working directory whose settings.ini names their
// pseudo-terminals, and the window started there. The window goes first, so that it saves its
// settings into the scratch directory while its devices still run.
class Bench
{
public:
    // The device on COM<port>, named in the window's settings.
    SimulatedDevice *add(int port, const DeviceProfile &profile,
                         const QList<DeviceFault> &faults = {})
    {
        SimulatedDevice *device = ports.add(port, profile, faults);
        if (device)
            paths.insert(QStringLiteral("COM%1").arg(port), device->portPath());
        return device;
    }

    SimulatedDevice *device(int port) const { return ports.device(port); }
    // Pulls the plug of the device on COM<port>; add() plugs one in again.
    void remove(int port) { ports.remove(port); }

    // A file in the working directory.
    QString file(const QString &name, const QByteArray &contents) const
    {
        QFile out(scratch.path() + QLatin1Char('/') + name);
        if (!out.open(QIODevice::WriteOnly) || out.write(contents) != contents.size())
            qFatal("can't write %s", qPrintable(out.fileName()));
        return out.fileName();
    }

    // Starts the window with the firmware file given (empty: as at first start) and waits until
    // it lists every device; nullptr when it doesn't.
    Zelkor *open(const QString &firmwareFile = QString())
    {
        ScratchDirectory::storeSettings(paths, QStringLiteral("Ports"));
        if (!firmwareFile.isEmpty())
            ScratchDirectory::storeSettings({{"filename", firmwareFile}, {"open_path", "."}});
        window = std::make_unique<Zelkor>();
        window->show();
        QTreeWidget *tree = deviceList(*window);
        return QTest::qWaitFor([&] { return tree->topLevelItemCount() == paths.size(); },
                               ListTimeoutMs)
            ? window.get()
            : nullptr;
    }

    void close() { window.reset(); }

    ~Bench()
    {
        close();
        // The window loaded its ports into the process-wide map.
        PortNameMap::instance().clear();
    }

private:
    ScratchDirectory scratch;
    SimulatedPorts ports;
    QVariantMap paths;
    std::unique_ptr<Zelkor> window;
};

} // namespace WindowBench

#endif // WINDOWBENCH_H
