#ifndef LINKTIMEOUTS_H
#define LINKTIMEOUTS_H

#include <QtGlobal>

// The time-outs of a link, in milliseconds. A read of n bytes ends when they have arrived or
// after readTotalConstant + n * readTotalMultiplier; a write of n bytes must have left the port
// within writeTotalConstant + n * writeTotalMultiplier. Zero means "do not wait". There is no
// limit between bytes, since the transactions collect a reply that comes in pieces anyway.
//
// Written as LinkTimeouts::reads(constant, perByte).writes(constant, perByte).
struct LinkTimeouts
{
    quint32 readTotalConstant = 0;
    quint32 readTotalMultiplier = 0;
    quint32 writeTotalConstant = 0;
    quint32 writeTotalMultiplier = 0;

    static constexpr LinkTimeouts reads(quint32 totalConstant, quint32 totalMultiplier)
    {
        LinkTimeouts timeouts;
        timeouts.readTotalConstant = totalConstant;
        timeouts.readTotalMultiplier = totalMultiplier;
        return timeouts;
    }

    constexpr LinkTimeouts writes(quint32 totalConstant, quint32 totalMultiplier) const
    {
        LinkTimeouts timeouts = *this;
        timeouts.writeTotalConstant = totalConstant;
        timeouts.writeTotalMultiplier = totalMultiplier;
        return timeouts;
    }
};

#endif // LINKTIMEOUTS_H
