#ifndef DEVSIMOPTIONS_H
#define DEVSIMOPTIONS_H

#include "DeviceFault.h"
#include "DeviceProfile.h"

#include <QList>
#include <QString>
#include <QStringList>

// One device the command line asks for.
struct PlannedDevice
{
    int port = 0; // the n of COM<n>
    QString profileName;
    DeviceProfile profile;
    QList<DeviceFault> faults;
};

// The command line of zelkor-devsim.
class DevsimOptions
{
public:
    // False, with errorString(), when the arguments are not usable.
    bool parse(const QStringList &arguments);
    QString errorString() const { return error; }

    bool helpRequested() const { return help; }
    bool versionRequested() const { return version; }
    static QString helpText();

    QList<PlannedDevice> devices;
    QString settingsPath = QStringLiteral("settings.ini");
    bool logTraffic = false;

private:
    bool fail(const QString &message);
    bool addDevice(const QString &text);
    bool addFault(const QString &text);
    bool setProfileKey(DeviceProfile &profile, const QString &key, const QString &value);
    bool setFaultKey(DeviceFault &fault, const QString &key, const QString &value);
    PlannedDevice *deviceOn(int port);

    bool help = false;
    bool version = false;
    QString error;
};

#endif // DEVSIMOPTIONS_H
