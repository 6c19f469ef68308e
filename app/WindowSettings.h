#ifndef WINDOWSETTINGS_H
#define WINDOWSETTINGS_H

#include <QByteArray>
#include <QString>

// What the window keeps between runs, in the group "Program_settings" of settings.ini in the
// working directory, so that every working directory keeps its own.
struct WindowSettings
{
    QByteArray geometry;
    QString filename;
    QString openPath;
    bool calibrateAfter = false;

    // Missing keys give the defaults. Also hands the file's "Ports" group to the port map, which
    // the window reads but never writes.
    static WindowSettings load();
    // Changes only the lines of the window's own group. False, with the reason in error, when
    // the file is not INI (it is left as it is) or cannot be written.
    bool save(QString *error) const;
};

#endif // WINDOWSETTINGS_H
