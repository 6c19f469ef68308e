#include "DisplaySocket.h"

#include <QByteArray>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int XTcpBasePort = 6000;
// A remote display that takes longer than this to answer is left for Qt to try.
constexpr int TcpConnectTimeoutMs = 3000;
const QString XSocketFolder = QStringLiteral("/tmp/.X11-unix/X");

// Closes the socket whatever way the check ends.
class Socket
{
public:
    explicit Socket(int fd) : fd(fd) { }
    ~Socket()
    {
        if (fd >= 0)
            close(fd);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    const int fd;
};

// Linux also offers the name in the abstract namespace: a leading NUL, no file.
bool unixSocketListens(const QByteArray &path, bool abstract)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path + offset, path.constData(), size_t(path.size()));
    const Socket socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + size_t(path.size()));
    return socket.fd >= 0
        && connect(socket.fd, reinterpret_cast<sockaddr *>(&address), length) == 0;
}

enum class Answer { Listens, Refused, NoAnswerInTime };

Answer tcpAnswer(const addrinfo &address)
{
    const Socket socket(
        ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.fd < 0)
        return Answer::Refused;
    if (connect(socket.fd, address.ai_addr, address.ai_addrlen) == 0)
        return Answer::Listens;
    if (errno != EINPROGRESS)
        return Answer::Refused;
    pollfd wait {socket.fd, POLLOUT, 0};
    if (poll(&wait, 1, TcpConnectTimeoutMs) == 0)
        return Answer::NoAnswerInTime;
    int error = 0;
    socklen_t size = sizeof(error);
    return getsockopt(socket.fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0
        ? Answer::Listens
        : Answer::Refused;
}

bool tcpPortListens(const QString &host, int port)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *addresses = nullptr;
    if (getaddrinfo(host.toLocal8Bit().constData(), QByteArray::number(port).constData(), &hints,
                    &addresses)
        != 0)
        return false;
    bool listens = false;
    for (const addrinfo *address = addresses; address && !listens; address = address->ai_next)
        listens = tcpAnswer(*address) != Answer::Refused;
    freeaddrinfo(addresses);
    return listens;
}

// False when the variable is not set or names no listening server; the latter is noted.
bool serverListens(const char *variable, bool (*listens)(const QString &), QStringList *unreached)
{
    const QString display = qEnvironmentVariable(variable);
    if (display.isEmpty())
        return false;
    if (listens(display))
        return true;
    unreached->append(QStringLiteral("%1=%2").arg(QLatin1String(variable), display));
    return false;
}

} // namespace

bool DisplaySocket::xServerListens(const QString &display)
{
    const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
    const qsizetype slash = display.indexOf(QLatin1Char('/'));
    if (colon < 0 || slash == 0)
        return true;
    const bool hasProtocol = slash > 0 && slash < colon;
    const QString protocol = hasProtocol ? display.left(slash) : QString();
    QString host = display.mid(hasProtocol ? slash + 1 : 0, colon - (hasProtocol ? slash + 1 : 0));
    bool isNumber = false;
    const int number = display.mid(colon + 1).section(QLatin1Char('.'), 0, 0).toInt(&isNumber);
    // DECnet's "host::number" and other forms are left to the window system.
    if (!isNumber || number < 0 || host.endsWith(QLatin1Char(':')))
        return true;
    const bool local = (host.isEmpty() || host == QLatin1String("unix"))
        && !protocol.startsWith(QLatin1String("tcp"))
        && !protocol.startsWith(QLatin1String("inet"));
    if (local) {
        const QByteArray path = (XSocketFolder + QString::number(number)).toLocal8Bit();
        return unixSocketListens(path, true) || unixSocketListens(path, false);
    }
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    return tcpPortListens(host.isEmpty() ? QStringLiteral("localhost") : host,
                          XTcpBasePort + number);
}

bool DisplaySocket::waylandCompositorListens(const QString &display)
{
    if (display.isEmpty())
        return false;
    if (display.startsWith(QLatin1Char('/')))
        return unixSocketListens(display.toLocal8Bit(), false);
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !folder.isEmpty()
        && unixSocketListens((folder + QLatin1Char('/') + display).toLocal8Bit(), false);
}

// Qt picks the first platform of the list that loads; each window system needs its variable
// and a server listening where it points, the others (offscreen, vnc, eglfs, ...) draw without
// one. Qt aborts on a display it can't reach: the variables set in vain go to unreached.
bool DisplaySocket::reachable(const QString &platformOption, QStringList *unreached)
{
    const QString platforms =
        platformOption.isEmpty() ? qEnvironmentVariable("QT_QPA_PLATFORM") : platformOption;
    for (const QString &entry : platforms.split(QLatin1Char(';'))) {
        const QString name = entry.section(QLatin1Char(':'), 0, 0);
        const bool x = name.isEmpty() || name == QLatin1String("xcb");
        const bool wayland = name.isEmpty() || name.startsWith(QLatin1String("wayland"));
        if ((!x && !wayland)
            || (x && serverListens("DISPLAY", DisplaySocket::xServerListens, unreached))
            || (wayland
                && serverListens("WAYLAND_DISPLAY", DisplaySocket::waylandCompositorListens,
                                 unreached)))
            return true;
    }
    unreached->removeDuplicates();
    return false;
}
