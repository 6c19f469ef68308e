#ifndef PORTREFUSAL_H
#define PORTREFUSAL_H

#include "PortError.h"

#include <QMetaType>
#include <QString>

// A port whose device exists but could not be opened, with what the user needs to set it
// right: the device path, the system's reason and, for a port in use, the process holding it.
struct PortRefusal
{
    QString portName;
    QString devicePath;
    PortError error;
    // The holder of a port in use, when it can be seen; holderPid 0: unknown.
    QString holderName;
    qint64 holderPid = 0;

    // For a port in use, looks up the process that holds it (through /proc; slow beside an
    // open, so not done while ports are locked).
    void findHolder();
};

Q_DECLARE_METATYPE(PortRefusal)

#endif // PORTREFUSAL_H
