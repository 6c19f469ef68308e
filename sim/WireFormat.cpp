#include "WireFormat.h"

#include "crc16.h"

#include <QtEndian>

namespace WireFormat {

QByteArray resetFrame()
{
    return QByteArray::fromHex("00f00000");
}

QByteArray firmwareProbe()
{
    return QByteArray::fromHex("31670000");
}

QByteArray loaderProbe()
{
    return QByteArray::fromHex("441100004337");
}

QByteArray loaderProbeHead()
{
    return loaderProbe().left(4);
}

quint16 readLe16(const QByteArray &bytes, int at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

void appendLe16(QByteArray &bytes, quint16 value)
{
    char raw[2];
    qToLittleEndian(value, raw);
    bytes.append(raw, 2);
}

QByteArray withCheck(const QByteArray &bytes)
{
    QByteArray result = bytes;
    appendLe16(result, crc16(bytes.constData(), unsigned(bytes.size())));
    return result;
}

bool checkMatches(const QByteArray &bytes)
{
    if (bytes.size() < 2)
        return false;
    const int body = int(bytes.size()) - 2;
    return crc16(bytes.constData(), unsigned(body)) == readLe16(bytes, body);
}

DeviceReply probeAnswer(const QByteArray &letters)
{
    DeviceReply reply;
    reply.bytes = withCheck(firmwareProbe() + letters);
    reply.echoAt = 4;
    reply.echoSize = 2;
    reply.checkAt = 6;
    return reply;
}

DeviceReply fixedAnswer(const QByteArray &bytes)
{
    DeviceReply reply;
    reply.bytes = bytes;
    reply.echoAt = 0;
    reply.echoSize = int(bytes.size());
    return reply;
}

} // namespace WireFormat
