#ifndef SCRATCHDIRECTORY_H
#define SCRATCHDIRECTORY_H

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QVariantMap>

// Makes a fresh, empty directory the working directory for as long as it lives, so that each
// window under test reads and writes a settings.ini of its own.
class ScratchDirectory
{
public:
    ScratchDirectory() : previous(QDir::currentPath()) { QDir::setCurrent(directory.path()); }
    ~ScratchDirectory() { QDir::setCurrent(previous); }

    QString path() const { return directory.path(); }

    // The window's settings as stored in this directory.
    static QVariantMap storedSettings()
    {
        QSettings settings(QStringLiteral("settings.ini"), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Program_settings"));
        QVariantMap values;
        for (const QString &key : settings.childKeys())
            values.insert(key, settings.value(key));
        return values;
    }

    static void storeSettings(const QVariantMap &values)
    {
        QSettings settings(QStringLiteral("settings.ini"), QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Program_settings"));
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            settings.setValue(it.key(), it.value());
    }

private:
    QTemporaryDir directory;
    QString previous;
};

#endif // SCRATCHDIRECTORY_H
