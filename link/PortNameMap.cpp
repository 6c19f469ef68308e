#include "PortNameMap.h"

#include "LinkLogging.h"

#include <QSettings>
#include <QStringList>

namespace {

const QString PortNamePrefix = QStringLiteral("\\\\.\\COM");
const QString SettingsGroup = QStringLiteral("Ports");
const QString SettingsKeyPrefix = QStringLiteral("COM");

// The number written in decimal without sign or leading zeros, within the port range; else 0.
int parsePortNumber(QStringView digits)
{
    if (digits.isEmpty() || digits.startsWith(u'0'))
        return 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
    }
    const int number = digits.length() <= 3 ? digits.toInt() : 0;
    return number >= PortNameMap::FirstPortNumber && number <= PortNameMap::LastPortNumber
        ? number
        : 0;
}

} // namespace

PortNameMap &PortNameMap::instance()
{
    static PortNameMap map;
    return map;
}

QString PortNameMap::portName(int number)
{
    return PortNamePrefix + QString::number(number);
}

int PortNameMap::portNumber(const QString &portName)
{
    if (!portName.startsWith(PortNamePrefix))
        return 0;
    return parsePortNumber(QStringView(portName).mid(PortNamePrefix.length()));
}

QString PortNameMap::devicePath(const QString &portName) const
{
    QMutexLocker lock(&mutex);
    const auto override = overrides.constFind(portName);
    if (override != overrides.constEnd())
        return *override;
    return defaultTableEnabled ? defaultPath(portNumber(portName)) : QString();
}

QString PortNameMap::portNameAt(const QString &devicePath) const
{
    if (devicePath.isEmpty())
        return QString();
    const QString node = deviceNode(devicePath);
    for (int number = FirstPortNumber; number <= LastPortNumber; ++number) {
        const QString name = portName(number);
        const QString mapped = this->devicePath(name);
        if (mapped == devicePath
            || (!node.isEmpty() && !mapped.isEmpty()
                && deviceNode(mapped) == node))
            return name;
    }
    return QString();
}

void PortNameMap::setPath(const QString &portName, const QString &devicePath)
{
    QMutexLocker lock(&mutex);
    overrides.insert(portName, devicePath);
}

bool PortNameMap::overridden(const QString &portName) const
{
    QMutexLocker lock(&mutex);
    return overrides.contains(portName);
}

void PortNameMap::removePath(const QString &portName)
{
    QMutexLocker lock(&mutex);
    overrides.remove(portName);
}

void PortNameMap::clear()
{
    QMutexLocker lock(&mutex);
    overrides.clear();
}

void PortNameMap::loadSettings(QSettings &settings)
{
    QHash<QString, QString> loaded;
    settings.beginGroup(SettingsGroup);
    for (const QString &key : settings.childKeys()) {
        const int number = key.startsWith(SettingsKeyPrefix)
            ? parsePortNumber(QStringView(key).mid(SettingsKeyPrefix.length()))
            : 0;
        if (number == 0) {
            qCWarning(lcLink).noquote()
                << "settings.ini: key" << key << "in [Ports] is not COM1..COM255; ignored";
            continue;
        }
        loaded.insert(portName(number), settings.value(key).toString());
    }
    settings.endGroup();

    QMutexLocker lock(&mutex);
    overrides = loaded;
}

void PortNameMap::setDefaultTableEnabled(bool enabled)
{
    QMutexLocker lock(&mutex);
    defaultTableEnabled = enabled;
}
