// A device server's address as settings.ini or zelkor-cli gives it ("rfc2217://HOST:PORT"), and
// the words a server sends before it closes a connection it turns away.
//
// Input: the address, then after a zero byte what the server sent.
#include "FuzzInput.h"
#include "RemoteAddress.h"
#include "Rfc2217Line.h"

#include <algorithm>

namespace {

constexpr int LongestWords = 80;

// Nothing of the host may read as more than a host: the network library takes it between
// commas, and a name lookup gets it.
bool isPlainHost(const QString &host)
{
    return !host.isEmpty() && std::all_of(host.cbegin(), host.cend(), [](QChar c) {
        return (c.unicode() < 0x80 && c.isLetterOrNumber()) || c == u'.' || c == u'-' || c == u'_'
            || c == u':' || c == u'%';
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const QByteArray all = input.remaining();
    const qsizetype split = all.indexOf('\0');
    const QString text = QString::fromUtf8(split < 0 ? all : all.left(split));
    const QByteArray words = split < 0 ? QByteArray() : all.mid(split + 1);

    if (const std::optional<RemoteAddress> address = RemoteAddress::parse(text)) {
        requireThat(RemoteAddress::isRemote(text), "a parsed address is a remote path");
        requireThat(address->port > 0, "a port from 1 to 65535");
        requireThat(isPlainHost(address->host), "a host of name, address and zone characters");
        const std::optional<RemoteAddress> again =
            RemoteAddress::parse(QStringLiteral("rfc2217://") + address->hostAndPort());
        requireThat(again && again->host == address->host && again->port == address->port
                        && again->ipv6Literal == address->ipv6Literal,
                    "the address reads back from its own HOST:PORT");
    }

    const QString reason = Rfc2217Line::partingWords(words);
    requireThat(reason.size() <= LongestWords, "a server's words are cut to one short line");
    requireThat(std::all_of(reason.cbegin(), reason.cend(),
                            [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; }),
                "a server's words reach the user as printable text only");
    return 0;
}
