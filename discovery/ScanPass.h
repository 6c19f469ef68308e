#ifndef SCANPASS_H
#define SCANPASS_H

#include "PortRefusal.h"
#include "TDevices.h"

#include <QList>

#include <optional>

// The window's scan, run to its end in the calling thread, for programs without a window.
namespace ScanPass {

// One pass over every port: every device found, and the ports that exist but could not be
// opened, if refused is given; the number of ports asked, if asked is given.
QList<TDevices> devices(QList<PortRefusal> *refused = nullptr, qsizetype *asked = nullptr);
// The device on one port, as a pass would find it; none when nothing answered. Every other
// port is left alone.
std::optional<TDevices> device(const QString &port);

} // namespace ScanPass

#endif // SCANPASS_H
