#include "UserConfigFolder.h"

#include <QDir>

bool UserConfigFolder::enter()
{
    const QString folder = path();
    return QDir().mkpath(folder) && QDir::setCurrent(folder);
}
