#ifndef PORTNAMEMAP_H
#define PORTNAMEMAP_H

#include <QHash>
#include <QMutex>
#include <QString>

class QSettings;

// Turns the program's port names ("\\.\COM5") into device paths of this system.
//
// An override, from the "Ports" group of the settings or set directly, wins; otherwise the
// system's default table applies: Linux's device names in PortNameMap_linux.cpp, on Windows the
// port name itself (PortNameMap_win.cpp). An override with an empty path hides a port of the
// default table. One map serves the whole process; every member is thread-safe.
class PortNameMap
{
public:
    static PortNameMap &instance();

    // The ports there are: COM1 to COM255.
    static constexpr int FirstPortNumber = 1;
    static constexpr int LastPortNumber = 255;

    // "\\.\COM<number>", the one form of port name used everywhere in the program.
    static QString portName(int number);
    // The number of a name of that form (1 to 255, no leading zeros); 0 for any other text.
    static int portNumber(const QString &portName);

    // The device path of the port; empty when the name maps to nothing.
    QString devicePath(const QString &portName) const;
    // The device that a path leads to, the same for each of its names (links resolved; on
    // Windows the device's own name); empty when there is no such device.
    static QString deviceNode(const QString &devicePath);
    // The lowest-numbered port name that maps to this device, named by this path or through a
    // link to the same node (a /dev/serial/by-id name); empty when none does.
    QString portNameAt(const QString &devicePath) const;

    // Whether a setting or setPath() maps the name, rather than the default table.
    bool overridden(const QString &portName) const;
    void setPath(const QString &portName, const QString &devicePath);
    void removePath(const QString &portName);
    // Drops every override; the default table stays as it is.
    void clear();
    // Replaces the overrides with the keys "COM<n>" of the group "Ports".
    void loadSettings(QSettings &settings);

    // With the table off only overrides map anything: tests use it to keep the machine's own
    // serial ports out of sight.
    void setDefaultTableEnabled(bool enabled);

private:
    PortNameMap() = default;
    Q_DISABLE_COPY_MOVE(PortNameMap)

    // From the file of the system the program is built for.
    static QString defaultPath(int number);

    mutable QMutex mutex;
    QHash<QString, QString> overrides;
    bool defaultTableEnabled = true;
};

#endif // PORTNAMEMAP_H
