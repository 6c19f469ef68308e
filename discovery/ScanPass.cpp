#include "ScanPass.h"

#include "DeviceThread.h"
#include "PortScan.h"
#include "ScanLinks.h"
#include "VariantMasks.h"

#include <QThread>

QList<TDevices> ScanPass::devices(QList<PortRefusal> *refused, qsizetype *asked)
{
    DeviceThread scanner;
    QList<TDevices> found;
    QObject::connect(
        &scanner, &DeviceThread::finish, &scanner,
        [&found, refused, asked](const QStringList &ports, const QList<TDevices> &devices,
                                 const QList<PortRefusal> &refusals) {
            found = devices;
            if (refused)
                *refused = refusals;
            if (asked)
                *asked = ports.size();
        },
        Qt::DirectConnection);
    scanner.start();
    scanner.wait();
    return found;
}

std::optional<TDevices> ScanPass::device(const QString &port)
{
    ScanLinks links;
    VariantMasks masks;
    return PortScan(port, links, masks, *QThread::currentThread()).run();
}
