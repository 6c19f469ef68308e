#include "PortNameMap.h"

#include <QFileInfo>

namespace {

struct DefaultRange
{
    int firstNumber;
    int count;
    const char *devicePrefix;
};

constexpr DefaultRange DefaultTable[] = {
    {1, 32, "/dev/ttyS"},
    {33, 64, "/dev/ttyUSB"},
    {97, 64, "/dev/ttyACM"},
};

} // namespace

QString PortNameMap::defaultPath(int number)
{
    for (const DefaultRange &range : DefaultTable) {
        const int index = number - range.firstNumber;
        if (index >= 0 && index < range.count)
            return QLatin1String(range.devicePrefix) + QString::number(index);
    }
    return QString();
}

QString PortNameMap::deviceNode(const QString &devicePath)
{
    return QFileInfo(devicePath).canonicalFilePath();
}
