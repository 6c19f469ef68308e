#include "IspProtocol.h"

#include "WireFormat.h"

namespace {

constexpr char Probe = '?';

} // namespace

DeviceProtocol::Cut IspProtocol::cut(const QByteArray &input) const
{
    if (input.isEmpty())
        return needMore();
    if (echoes && input.front() == Probe)
        return request(1, QStringLiteral("?"));
    const int probeAt = echoes ? int(input.indexOf(Probe)) : -1;
    return request(probeAt < 0 ? int(input.size()) : probeAt, QStringLiteral("ignored"));
}

DeviceReply IspProtocol::answer(const DeviceRequest &request, DeviceContext &context) const
{
    if (request.name != QLatin1String("?") || !context.oneStopBit)
        return {};
    return WireFormat::fixedAnswer(QByteArray(1, Probe));
}
