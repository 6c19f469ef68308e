#ifndef WINDOWSETTINGS_H
#define WINDOWSETTINGS_H

#include <QByteArray>
#include <QString>

class QSettings;

// What the window keeps between runs, in the group "Program_settings" of settings.ini in the
// working directory, so that every working directory keeps its own.
struct WindowSettings
{
    QByteArray geometry;
    QString filename;
    QString openPath;
    bool calibrateAfter = false;
    // The file field shows a prompt instead of a name: a real name the file holds when saving
    // (stored by another window meanwhile, or by hand) stays, and its folder with it.
    bool filenameIsPrompt = false;

    // Missing keys give the defaults. Also hands the file's "Ports" group to the port map, which
    // the window reads but never writes.
    static WindowSettings load();
    // The same from any settings file, and into any file (the fuzz target's scratch files).
    static WindowSettings load(QSettings &settings);
    // Changes only the lines of the window's own group. False, with the reason in error, when
    // the file is not INI (it is left as it is) or cannot be written.
    bool save(QString *error) const;
    bool save(const QString &path, QString *error) const;

private:
    static WindowSettings read(QSettings &settings);
};

#endif // WINDOWSETTINGS_H
