#ifndef MAPPEDLINE_H
#define MAPPEDLINE_H

#include "PortNameMap.h"
#include "PseudoTerminal.h"

#include <QByteArray>

// A pseudo-terminal line that the program reaches under a COM port name: for the object's
// lifetime the port name map points "\\.\COM<number>" at the line's port side.
class MappedLine : public PseudoTerminal
{
public:
    explicit MappedLine(int portNumber)
        : name(PortNameMap::portName(portNumber)), latin1(name.toLatin1())
    {
        PortNameMap::instance().setPath(name, portPath());
    }
    ~MappedLine() { PortNameMap::instance().removePath(name); }

    QString portName() const { return name; }
    // The name as ComPort::open takes it.
    const char *latin1Name() const { return latin1.constData(); }

private:
    QString name;
    QByteArray latin1;
};

#endif // MAPPEDLINE_H
