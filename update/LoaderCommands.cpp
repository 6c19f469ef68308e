#include "LoaderCommands.h"

#include "ComPort.h"
#include "ProtocolTiming.h"
#include "ReplyCheck.h"
#include "crc16.h"

#include <QtEndian>

LoaderCommands::LoaderCommands(ComPort &link, bool *checksFilled)
    : link(link), checksFilled(checksFilled ? *checksFilled : ownChecksFilled)
{ }

bool LoaderCommands::loaderReset()
{
    const QByteArray frame = head(ResetCode, 0);
    if (!link.transactRaw(frame.constData(), headLength, nullptr, 0))
        return false;
    ProtocolTiming::pause(ProtocolTiming::loaderResetPauseMs);
    return true;
}

bool LoaderCommands::loaderConnect()
{
    return exchange(ConnectCode, QByteArray());
}

bool LoaderCommands::loaderSetAddress(QByteArray text)
{
    if (!exchange(SetAddressCode, text.leftJustified(addressLength, '\0', true)))
        return false;
    ProtocolTiming::pause(ProtocolTiming::sectionPauseMs);
    return true;
}

// Head and data go out first, the check value with a second transaction; the device sees
// them back to back.
bool LoaderCommands::loaderWriteData(QByteArray data)
{
    data.truncate(maxDataLength);
    const QByteArray frame = head(WriteDataCode, int(data.size())) + data;
    if (!link.transactRaw(frame.constData(), unsigned(frame.size()), nullptr, 0))
        return false;
    const QByteArray check = checkValue(frame);
    uchar reply[replyLength] = {};
    if (!link.transactRaw(check.constData(), checkLength, reply, replyLength))
        return false;
    return replyAccepts(WriteDataCode, reply, checksFilled);
}

bool LoaderCommands::loaderFinish()
{
    return exchange(FinishCode, QByteArray());
}

bool LoaderCommands::exchange(quint16 code, const QByteArray &data)
{
    QByteArray frame = head(code, int(data.size())) + data;
    frame += checkValue(frame);
    uchar reply[replyLength] = {};
    if (!link.transactRaw(frame.constData(), unsigned(frame.size()), reply, replyLength))
        return false;
    return replyAccepts(code, reply, checksFilled);
}

QByteArray LoaderCommands::head(quint16 code, int dataLength)
{
    QByteArray bytes(headLength, '\0');
    qToLittleEndian<quint16>(code, bytes.data());
    qToLittleEndian<quint16>(quint16(dataLength), bytes.data() + 2);
    return bytes;
}

QByteArray LoaderCommands::checkValue(const QByteArray &bytes)
{
    QByteArray check(checkLength, '\0');
    qToLittleEndian<quint16>(crc16(bytes.constData(), unsigned(bytes.size())), check.data());
    return check;
}

bool LoaderCommands::replyAccepts(quint16 code, const uchar *reply, bool &checksFilled)
{
    return ReplyCheck::accepts(reply, headLength, checksFilled)
        && qFromLittleEndian<quint16>(reply) == code && qFromLittleEndian<quint16>(reply + 2) == 0;
}
