#include "UserConfigFolder.h"

#include <QDir>

// The user's roaming application data, where Windows programs keep their settings; a relative
// APPDATA would depend on where the program starts, as a relative XDG_CONFIG_HOME does.
QString UserConfigFolder::path()
{
    const QString appData = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    const QString base = QDir::isAbsolutePath(appData)
        ? appData
        : QDir::homePath() + QStringLiteral("/AppData/Roaming");
    return base + QStringLiteral("/Zelkor");
}
