#include "ReplyCheck.h"

#include "crc16.h"

#include <QtEndian>

namespace ReplyCheck {

Verdict of(const void *data, unsigned dataLength)
{
    const quint16 sent = qFromLittleEndian<quint16>(static_cast<const uchar *>(data) + dataLength);
    if (crc16(data, dataLength) == sent)
        return Right;
    return sent == 0 ? NotFilled : Wrong;
}

bool accepts(const void *data, unsigned dataLength, bool &filledBefore)
{
    switch (of(data, dataLength)) {
    case Right:
        filledBefore = true;
        return true;
    case NotFilled:
        return !filledBefore;
    case Wrong:
        break;
    }
    return false;
}

} // namespace ReplyCheck
