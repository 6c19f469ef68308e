#include "WindowSettings.h"

#include "PortNameMap.h"

#include <QSettings>

namespace {
// A relative name: every working directory keeps its own settings.
const QString SettingsFile = QStringLiteral("settings.ini");
const QString SettingsGroup = QStringLiteral("Program_settings");
const QString WindowKey = QStringLiteral("window");
const QString FilenameKey = QStringLiteral("filename");
const QString OpenPathKey = QStringLiteral("open_path");
const QString CalibrateAfterKey = QStringLiteral("calb_after");
} // namespace

WindowSettings WindowSettings::load()
{
    QSettings settings(SettingsFile, QSettings::IniFormat);
    WindowSettings loaded;
    settings.beginGroup(SettingsGroup);
    loaded.geometry = settings.value(WindowKey, QByteArray()).toByteArray();
    loaded.filename = settings.value(FilenameKey, QString()).toString();
    loaded.openPath = settings.value(OpenPathKey, QString()).toString();
    loaded.calibrateAfter = settings.value(CalibrateAfterKey, false).toBool();
    settings.endGroup();
    // Read before the first scan, so that the scan finds the ports where they are mapped.
    PortNameMap::instance().loadSettings(settings);
    return loaded;
}

void WindowSettings::save() const
{
    QSettings settings(SettingsFile, QSettings::IniFormat);
    settings.beginGroup(SettingsGroup);
    settings.setValue(WindowKey, geometry);
    settings.setValue(FilenameKey, filename);
    settings.setValue(OpenPathKey, openPath);
    settings.setValue(CalibrateAfterKey, calibrateAfter);
    settings.endGroup();
}
