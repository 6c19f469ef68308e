#include "ModeProbe.h"

#include "ComPort.h"
#include "crc16.h"

#include <QtEndian>

#include <cstring>

namespace ModeProbe {

namespace {

// "1g" and two zero bytes; firmware answers 8 bytes: 4 not examined, the 2-byte answer, and the
// check value over the first 6.
constexpr char StatusQuery[] = {'1', 'g', 0, 0};
// Running firmware does not know the status query and answers with this short word instead.
constexpr char UnknownCommandReply[] = {'e', 'r', 'r', 'c'};

// An empty write-data frame; the loader recognises it by its head, the last two bytes are fixed
// and deliberately not the frame's check value.
constexpr unsigned char LoaderQuery[] = {0x44, 0x11, 0x00, 0x00, 0x43, 0x37};
constexpr unsigned char LoaderEmptyReply[LoaderReplyLength] = {0xEC, 0xEE};

constexpr char IspQuery = '?';

} // namespace

int askStatus(ComPort &link, const Timeouts &timeouts)
{
    link.setTimeouts(timeouts.statusQuery);
    char reply[StatusReplyLength] = {};
    const bool complete = link.transactRaw(StatusQuery, sizeof StatusQuery, reply, sizeof reply);
    return decodeStatusReply(reply, complete);
}

int decodeStatusReply(const char *reply, bool complete)
{
    if (complete) {
        const quint16 check = qFromLittleEndian<quint16>(reply + 6);
        if (crc16(reply, 6) != check)
            return Unrecognised;
        if (reply[4] == 'n' && reply[5] == 'n')
            return NoFirmware;
        if (reply[4] == 'y' && reply[5] == 'y')
            return FirmwareRuns;
        return Unrecognised;
    }
    if (std::memcmp(reply, UnknownCommandReply, sizeof UnknownCommandReply) == 0)
        return FirmwareRuns;
    return Unrecognised;
}

int askLoader(ComPort &link, const Timeouts &timeouts)
{
    link.setTimeouts(timeouts.loaderQuery);
    // A fresh buffer: bytes left from the status query must not pass for the loader's answer.
    unsigned char reply[LoaderReplyLength] = {};
    link.transactRaw(LoaderQuery, sizeof LoaderQuery, reply, sizeof reply);
    return decodeLoaderReply(reply);
}

int decodeLoaderReply(const unsigned char *reply)
{
    return std::memcmp(reply, LoaderEmptyReply, LoaderReplyLength) == 0 ? NoFirmware : Unrecognised;
}

int checkFirmware(ComPort &link, const Timeouts &timeouts)
{
    const int status = askStatus(link, timeouts);
    return status != Unrecognised ? status : askLoader(link, timeouts);
}

int checkPort(const QString &portName)
{
    ComPort link;
    if (!link.open(portName.toLatin1().constData(), StopBits::Two))
        return PortCantOpen;
    const int state = checkFirmware(link, WindowTimeouts);
    link.close();
    return state;
}

bool checkIsp(ComPort &link)
{
    char reply = 0;
    link.transactRaw(&IspQuery, 1, &reply, 1);
    return reply == IspQuery;
}

} // namespace ModeProbe
