#include "LoaderProtocol.h"

#include "WireFormat.h"

namespace {

constexpr int HeadSize = 4;
constexpr int CheckSize = 2;
constexpr int AddressSize = 8;
// WRITE DATA carries at most 32 bytes; longer length fields can only be noise.
constexpr int MaxFrameData = 32;

constexpr quint16 ConnectCode = 0x1234;
constexpr quint16 NewSectionCode = 0x4411;
constexpr quint16 WriteDataCode = 0x1144;
constexpr quint16 DisconnectCode = 0x4321;

DeviceReply statusReply(quint16 code, quint16 status)
{
    QByteArray head;
    WireFormat::appendLe16(head, code);
    WireFormat::appendLe16(head, status);
    DeviceReply reply;
    reply.bytes = WireFormat::withCheck(head);
    reply.echoAt = 0;
    reply.echoSize = 2;
    reply.checkAt = HeadSize;
    return reply;
}

DeviceReply checkError()
{
    return WireFormat::fixedAnswer(QByteArray::fromHex("ecee"));
}

bool isHeadOnly(const QString &name)
{
    return name == QLatin1String("RESET") || name == QLatin1String("1g");
}

} // namespace

QString LoaderProtocol::frameName(quint16 code)
{
    switch (code) {
    case ConnectCode:
        return QStringLiteral("CONNECT");
    case NewSectionCode:
        return QStringLiteral("NEW SECTION");
    case WriteDataCode:
        return QStringLiteral("WRITE DATA");
    case DisconnectCode:
        return QStringLiteral("DISCONNECT");
    }
    return QStringLiteral("unknown");
}

DeviceProtocol::Cut LoaderProtocol::cut(const QByteArray &input) const
{
    if (input.size() < HeadSize)
        return needMore();
    if (const std::optional<Cut> shared = sharedRequest(input))
        return *shared;
    const int dataSize = WireFormat::readLe16(input, 2);
    if (dataSize > MaxFrameData)
        return request(int(input.size()), QStringLiteral("frame error"));
    const int length = HeadSize + dataSize + CheckSize;
    if (input.size() < length)
        return needMore();
    if (input.startsWith(WireFormat::loaderProbe()))
        return request(length, QStringLiteral("loader-probe"));
    return request(length, frameName(WireFormat::readLe16(input, 0)));
}

DeviceReply LoaderProtocol::answer(const DeviceRequest &request, DeviceContext &context) const
{
    DeviceState &state = context.state;
    if (request.name == QLatin1String("RESET")) {
        ++state.resets;
        if (state.firmwareIntact)
            state.bootFirmware();
        else
            state.enterLoader(context.now, context.profile.bootDelayMs);
        return {};
    }
    if (request.name == QLatin1String("1g"))
        return WireFormat::probeAnswer("nn");
    if (request.bytes.size() < HeadSize + CheckSize || !WireFormat::checkMatches(request.bytes))
        return checkError();
    const quint16 code = WireFormat::readLe16(request.bytes, 0);
    const QByteArray data =
        request.bytes.mid(HeadSize, request.bytes.size() - HeadSize - CheckSize);
    return statusReply(code, carryOut(code, data, context));
}

DeviceReply LoaderProtocol::refuse(const DeviceRequest &request, int status) const
{
    if (isHeadOnly(request.name) || request.bytes.size() < HeadSize)
        return {};
    return statusReply(WireFormat::readLe16(request.bytes, 0), quint16(status));
}

quint16 LoaderProtocol::carryOut(quint16 code, const QByteArray &data, DeviceContext &context)
{
    DeviceState &state = context.state;
    switch (code) {
    case ConnectCode:
        state.loaderConnected = true;
        state.firmwareIntact = false;
        state.imageComplete = false;
        state.image.clear();
        state.bootAt.reset();
        return Accepted;
    case NewSectionCode:
        if (!state.loaderConnected || data.size() != AddressSize)
            return Refused;
        state.image.startSection(data);
        return Accepted;
    case WriteDataCode:
        return state.loaderConnected && state.image.append(data) ? Accepted : Refused;
    case DisconnectCode:
        if (!state.loaderConnected)
            return Refused;
        state.imageComplete = true;
        state.firmwareIntact = true;
        state.firmware = state.image.version();
        state.enterLoader(context.now, context.profile.bootDelayMs);
        return Accepted;
    }
    return UnknownCode;
}
