#ifndef SCANPASS_H
#define SCANPASS_H

#include "PortRefusal.h"
#include "TDevices.h"

#include <QList>
#include <QStringList>

// One pass of the window's scan, run to its end in the calling thread's stead.
namespace ScanPass {

// Every device found; with ports given, the pass leaves every other port alone. The ports that
// exist but could not be opened go to refused, if given.
QList<TDevices> devices(const QStringList &ports = {}, QList<PortRefusal> *refused = nullptr);
// The record of one port's device; an empty record (but the location) when none answered.
TDevices device(const QString &port);

} // namespace ScanPass

#endif // SCANPASS_H
