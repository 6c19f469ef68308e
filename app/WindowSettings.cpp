#include "WindowSettings.h"

#include "PortNameMap.h"
#include "SettingsGroupWriter.h"

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
    return load(settings);
}

WindowSettings WindowSettings::load(QSettings &settings)
{
    const WindowSettings loaded = read(settings);
    // Read before the first scan, so that the scan finds the ports where they are mapped.
    PortNameMap::instance().loadSettings(settings);
    return loaded;
}

WindowSettings WindowSettings::read(QSettings &settings)
{
    WindowSettings loaded;
    settings.beginGroup(SettingsGroup);
    // A subgroup's section ahead of the group's own ("[Program_settings/backup]") hides the group
    // from value() until every section has been read, which listing the keys does.
    settings.childKeys();
    loaded.geometry = settings.value(WindowKey, QByteArray()).toByteArray();
    loaded.filename = settings.value(FilenameKey, QString()).toString();
    loaded.openPath = settings.value(OpenPathKey, QString()).toString();
    loaded.calibrateAfter = settings.value(CalibrateAfterKey, false).toBool();
    settings.endGroup();
    return loaded;
}

bool WindowSettings::save(QString *error) const
{
    return save(SettingsFile, error);
}

bool WindowSettings::save(const QString &path, QString *error) const
{
    QString savedFilename = filename;
    QString savedOpenPath = openPath;
    if (filenameIsPrompt) {
        QSettings settings(path, QSettings::IniFormat);
        const WindowSettings stored = read(settings);
        if (!stored.filename.isEmpty() && stored.filename != filename) {
            savedFilename = stored.filename;
            savedOpenPath = stored.openPath;
        }
    }
    SettingsGroupWriter writer(path, SettingsGroup);
    writer.setValue(WindowKey, geometry);
    writer.setValue(FilenameKey, savedFilename);
    writer.setValue(OpenPathKey, savedOpenPath);
    writer.setValue(CalibrateAfterKey, calibrateAfter);
    return writer.commit(error);
}
