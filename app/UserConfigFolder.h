#ifndef USERCONFIGFOLDER_H
#define USERCONFIGFOLDER_H

#include <QString>

// The folder that --user-config puts the programs in, the window and zelkor-cli alike, so
// that both find the same settings.ini (port names) and job log: $XDG_CONFIG_HOME/zelkor,
// normally ~/.config/zelkor; on Windows %APPDATA%\Zelkor.
namespace UserConfigFolder {

QString path();
// Creates the folder and makes it the working directory, where settings.ini and the logs are
// kept under their relative names; false when either fails.
bool enter();

} // namespace UserConfigFolder

#endif // USERCONFIGFOLDER_H
