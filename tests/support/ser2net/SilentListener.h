#ifndef SILENTLISTENER_H
#define SILENTLISTENER_H

#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A TCP port on 127.0.0.1 that takes connections and never says a word: to a client, a device
// server that hangs, or a host that is not there.
class SilentListener
{
public:
    SilentListener() : fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
            && listen(fd, 1) == 0
            && getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
            boundPort = ntohs(address.sin_port);
    }
    ~SilentListener() { ::close(fd); }

    Q_DISABLE_COPY_MOVE(SilentListener)

    quint16 port() const { return boundPort; }
    QString address() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(boundPort); }

private:
    const int fd;
    quint16 boundPort = 0;
};

#endif // SILENTLISTENER_H
