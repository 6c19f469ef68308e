#include "ScanPass.h"

#include "DeviceThread.h"
#include "PortNameMap.h"

namespace {
constexpr int FirstPortNumber = 1;
constexpr int LastPortNumber = 255;
} // namespace

QList<TDevices> ScanPass::devices(const QStringList &ports, QList<PortRefusal> *refused)
{
    DeviceThread scanner;
    for (int number = FirstPortNumber; number <= LastPortNumber && !ports.isEmpty(); ++number) {
        const QString name = PortNameMap::portName(number);
        if (!ports.contains(name))
            scanner.excludePort(name);
    }
    QList<TDevices> found;
    QObject::connect(
        &scanner, &DeviceThread::finish, &scanner,
        [&found, refused](const QStringList &, const QList<TDevices> &devices,
                          const QList<PortRefusal> &refusals) {
            found = devices;
            if (refused)
                *refused = refusals;
        },
        Qt::DirectConnection);
    scanner.start();
    scanner.wait();
    return found;
}

TDevices ScanPass::device(const QString &port)
{
    for (const TDevices &record : devices({port})) {
        if (record.location == port)
            return record;
    }
    return TDevices {port, {}, {}, {}, {}};
}
