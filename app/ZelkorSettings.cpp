#include "PortNameMap.h"
#include "Zelkor.h"

#include <QSettings>

namespace {
// A relative name: every working directory keeps its own settings.
const QString SettingsFile = QStringLiteral("settings.ini");
const QString SettingsGroup = QStringLiteral("Program_settings");
} // namespace

void Zelkor::loadSettings()
{
    QSettings settings(SettingsFile, QSettings::IniFormat);
    settings.beginGroup(SettingsGroup);
    // Unusable geometry bytes leave the form's size in place.
    restoreGeometry(settings.value(QStringLiteral("window"), QByteArray()).toByteArray());
    ui.filenameEdit->setText(settings.value(QStringLiteral("filename"), QString()).toString());
    openPath = settings.value(QStringLiteral("open_path"), QString()).toString();
    // Only the state: the box stays disabled until a selection enables it.
    ui.calbAfterChk->setChecked(settings.value(QStringLiteral("calb_after"), false).toBool());
    settings.endGroup();
    // The device paths of the ports, kept by whoever set up the machine (or by the simulator);
    // read before the first scan, never written by the window.
    PortNameMap::instance().loadSettings(settings);
}

void Zelkor::saveSettings()
{
    QSettings settings(SettingsFile, QSettings::IniFormat);
    settings.beginGroup(SettingsGroup);
    settings.setValue(QStringLiteral("window"), saveGeometry());
    settings.setValue(QStringLiteral("filename"), ui.filenameEdit->text());
    settings.setValue(QStringLiteral("open_path"), openPath);
    settings.setValue(QStringLiteral("calb_after"), ui.calbAfterChk->isChecked());
    settings.endGroup();
}
