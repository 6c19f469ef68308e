#include "DeviceFault.h"

namespace {

constexpr int DefaultTailDelayMs = 500;

const struct
{
    DeviceFault::Kind kind;
    const char *name;
} KindNames[] = {
    {DeviceFault::NoReply, "no-reply"},     {DeviceFault::ShortReply, "short"},
    {DeviceFault::WrongEcho, "wrong-echo"}, {DeviceFault::BadStatus, "status"},
    {DeviceFault::BadCheck, "bad-check"},   {DeviceFault::Garbage, "garbage"},
    {DeviceFault::Split, "split"},          {DeviceFault::LateTail, "late-tail"},
    {DeviceFault::Unplug, "unplug"},        {DeviceFault::NoCheck, "no-check"},
    {DeviceFault::FlipBit, "flip-bit"},
};

QByteArray inverted(const QByteArray &bytes)
{
    QByteArray result = bytes;
    for (char &byte : result)
        byte = char(~byte);
    return result;
}

// Deterministic noise, so that a failing test shows the same bytes on every run.
QByteArray scrambled(int size)
{
    QByteArray result(size, Qt::Uninitialized);
    quint8 value = 0x5A;
    for (char &byte : result) {
        value = quint8(value * 13 + 0x71);
        byte = char(value);
    }
    return result;
}

QList<ReplyPiece> inPieces(const QByteArray &bytes, int pieceSize, int delayMs)
{
    QList<ReplyPiece> pieces;
    for (int at = 0; at < bytes.size(); at += pieceSize)
        pieces.append({at == 0 ? 0 : delayMs, bytes.mid(at, pieceSize)});
    return pieces;
}

int orDefault(int value, int fallback)
{
    return value >= 0 ? value : fallback;
}

} // namespace

DeviceFault DeviceFault::on(const QString &request, Kind kind, int skip, int times)
{
    DeviceFault fault;
    fault.request = request;
    fault.kind = kind;
    fault.skip = skip;
    fault.times = times;
    return fault;
}

bool DeviceFault::matches(const QString &requestName) const
{
    return request == QLatin1String("*") || request == requestName;
}

QList<ReplyPiece> DeviceFault::shape(const DeviceReply &reply) const
{
    QByteArray out = reply.bytes;
    switch (kind) {
    case NoReply:
    case BadStatus:
    case Unplug:
        return {};
    case ShortReply:
        out.truncate(orDefault(bytes, qMax(0, int(out.size()) - 1)));
        break;
    case WrongEcho:
        if (reply.echoAt >= 0) {
            const QByteArray echo = out.mid(reply.echoAt, reply.echoSize);
            const QByteArray wrong = payload.size() == echo.size() ? payload : inverted(echo);
            out.replace(reply.echoAt, reply.echoSize, wrong);
        }
        break;
    case BadCheck:
        if (reply.checkAt >= 0)
            out.replace(reply.checkAt, 2, inverted(out.mid(reply.checkAt, 2)));
        break;
    case NoCheck:
        if (reply.checkAt >= 0)
            out.replace(reply.checkAt, 2, QByteArray(2, '\0'));
        break;
    case FlipBit: {
        const int at = orDefault(bytes, 0);
        if (at < out.size())
            out[at] = char(out.at(at) ^ 1);
        break;
    }
    case Garbage:
        out = payload.isEmpty() ? scrambled(orDefault(bytes, int(out.size()))) : payload;
        break;
    case Split:
        return inPieces(out, qMax(1, orDefault(bytes, 1)), orDefault(delayMs, 0));
    case LateTail: {
        const int tail = qBound(0, orDefault(bytes, 1), int(out.size()));
        return {{0, out.left(out.size() - tail)},
                {orDefault(delayMs, DefaultTailDelayMs), out.right(tail)}};
    }
    }
    return {{0, out}};
}

QString DeviceFault::kindName(Kind kind)
{
    for (const auto &entry : KindNames) {
        if (entry.kind == kind)
            return QString::fromLatin1(entry.name);
    }
    return QString();
}

std::optional<DeviceFault::Kind> DeviceFault::kindFromName(const QString &name)
{
    for (const auto &entry : KindNames) {
        if (name == QLatin1String(entry.name))
            return entry.kind;
    }
    return std::nullopt;
}
