#include "UserConfigFolder.h"

#include <QDir>

// The XDG rules say a relative XDG_CONFIG_HOME is to be ignored (it would depend on where the
// program starts); Qt takes it as it is.
QString UserConfigFolder::path()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString base = QDir::isAbsolutePath(configHome)
        ? configHome
        : QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/zelkor");
}
