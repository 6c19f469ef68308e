#include "MappedLine.h"

#include "PortNameMap.h"

MappedLine::MappedLine(int portNumber)
    : name(PortNameMap::portName(portNumber)), latin1(name.toLatin1())
{
    PortNameMap::instance().setPath(name, portPath());
}

MappedLine::~MappedLine()
{
    PortNameMap::instance().removePath(name);
}
