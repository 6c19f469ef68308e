#ifndef REMOTEADDRESS_H
#define REMOTEADDRESS_H

#include <QString>

#include <optional>

// Where a serial line served over the network sits: "rfc2217://HOST:PORT", HOST being a host
// name, an IPv4 address or an IPv6 address in brackets ("rfc2217://[fd00::5]:3001").
class RemoteAddress
{
public:
    // True for every device path in the URL form, well-formed or not: such a path never names
    // a local device.
    static bool isRemote(const QString &devicePath);
    // The address of a well-formed URL; nothing for any other text.
    static std::optional<RemoteAddress> parse(const QString &devicePath);

    // The host as written, without brackets.
    QString host;
    quint16 port = 0;
    bool ipv6Literal = false;

    // "HOST:PORT" as the user wrote it, brackets and all: how texts name the server.
    QString hostAndPort() const;
};

#endif // REMOTEADDRESS_H
