#include "RemoteAddress.h"

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

namespace {

const QString Scheme = QStringLiteral("rfc2217://");
constexpr int LongestHostName = 253;
constexpr int LongestPort = 5;

// Letters, digits, '-', '_' and dots: what a host name or an IPv4 address is made of. Nothing
// else may reach the name lookup.
bool isHostName(QStringView host)
{
    if (host.isEmpty() || host.size() > LongestHostName || host.startsWith(u'.')
        || host.startsWith(u'-'))
        return false;
    for (const QChar c : host) {
        const bool allowed = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')
            || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_' || c == u'.';
        if (!allowed)
            return false;
    }
    return true;
}

// An IPv6 address, with a zone ("%eth0") for a link-local one.
bool isIpv6Address(QStringView host)
{
    const qsizetype zone = host.indexOf(u'%');
    if (zone >= 0 && !isHostName(host.mid(zone + 1)))
        return false;
    const QByteArray address = host.left(zone >= 0 ? zone : host.size()).toLatin1();
    in6_addr parsed {};
    return inet_pton(AF_INET6, address.constData(), &parsed) == 1;
}

std::optional<quint16> parsePort(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > LongestPort)
        return std::nullopt;
    int port = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        port = port * 10 + (c.unicode() - u'0');
    }
    if (port < 1 || port > 65535)
        return std::nullopt;
    return quint16(port);
}

} // namespace

bool RemoteAddress::isRemote(const QString &devicePath)
{
    return devicePath.startsWith(Scheme, Qt::CaseInsensitive);
}

std::optional<RemoteAddress> RemoteAddress::parse(const QString &devicePath)
{
    if (!isRemote(devicePath))
        return std::nullopt;
    const QStringView rest = QStringView(devicePath).mid(Scheme.size());
    const qsizetype colon = rest.lastIndexOf(u':');
    if (colon < 0)
        return std::nullopt;
    const std::optional<quint16> port = parsePort(rest.mid(colon + 1));
    QStringView host = rest.left(colon);
    RemoteAddress address;
    if (host.startsWith(u'[') && host.endsWith(u']')) {
        host = host.mid(1, host.size() - 2);
        if (!isIpv6Address(host))
            return std::nullopt;
        address.ipv6Literal = true;
    } else if (!isHostName(host)) {
        return std::nullopt;
    }
    if (!port)
        return std::nullopt;
    address.host = host.toString();
    address.port = *port;
    return address;
}

QString RemoteAddress::hostAndPort() const
{
    const QString shownHost = ipv6Literal ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return shownHost + QLatin1Char(':') + QString::number(port);
}
