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

#endif // SCRATCHDIRECTORY_H
