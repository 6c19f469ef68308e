#include "Rfc2217Line.h"

#include "GensioLoop.h"
#include "HostLookup.h"
#include "RemoteAddress.h"
#include "SilentServers.h"

#include <gensio/sergensio.h>
#include <thread>

namespace {

using std::chrono::milliseconds;
using Control = Rfc2217Session::Control;
using Clock = Rfc2217Session::Clock;

// Name lookup, connection and negotiation of the line settings together: ample on any network
// that serves a bench, short enough that a dead host costs the scan little more than a pass.
constexpr milliseconds SetUpLimit {2000};
// A later change of settings (the stop bits of the ISP probe) waits this long for the server.
constexpr milliseconds SettingLimit {2000};
// A server still ending our own previous connection turns the next one away for a few tens of
// milliseconds (the scan closes a port and opens it again at once); a refusal that outlasts
// this comes from another client.
constexpr milliseconds RefusalRetryWindow {300};
constexpr milliseconds RefusalRetryPause {20};
// Of a server's parting words, only the first line up to this length is kept.
constexpr unsigned FarewellLength = 80;

constexpr unsigned LineSpeed = 115200;
constexpr unsigned DataBits = 8;

std::array<unsigned, Rfc2217Session::ControlCount> settingsFor(StopBits stopBits)
{
    return {LineSpeed,
            DataBits,
            SERGENSIO_PARITY_NONE,
            stopBits == StopBits::Two ? 2u : 1u,
            SERGENSIO_FLOWCONTROL_NONE,
            SERGENSIO_DTR_ON,
            SERGENSIO_RTS_OFF};
}

QByteArray stackFor(const HostLookup::Address &address, quint16 port)
{
    // No delay for small segments: every request and reply is one, and waiting for the
    // acknowledgement of the last one would cost tens of milliseconds each.
    return QByteArrayLiteral("telnet(rfc2217),tcp(nodelay),") + (address.ipv6 ? "ipv6," : "ipv4,")
        + address.text + ',' + QByteArray::number(port);
}

} // namespace

std::unique_ptr<SerialLine> Rfc2217Line::open(const QString &devicePath, PortError *error)
{
    const std::optional<RemoteAddress> address = RemoteAddress::parse(devicePath);
    if (!address) {
        *error = {PortError::NotATerminal,
                  QStringLiteral("not an address of the form rfc2217://HOST:PORT")};
        return nullptr;
    }
    const auto retry = [address] {
        PortError failed;
        bool silent = false;
        attempt(*address, &failed, &silent);
        return silent ? std::optional<PortError>(failed) : std::nullopt;
    };
    if (SilentServers::recall(devicePath, error, retry))
        return nullptr;
    bool silent = false;
    std::unique_ptr<Rfc2217Line> line = attempt(*address, error, &silent);
    SilentServers::note(devicePath, silent ? std::optional<PortError>(*error) : std::nullopt);
    return line;
}

std::unique_ptr<Rfc2217Line> Rfc2217Line::attempt(const RemoteAddress &address, PortError *error,
                                                  bool *silent)
{
    const Clock::time_point deadline = Clock::now() + SetUpLimit;
    const Clock::time_point retryEnd = std::min(deadline, Clock::now() + RefusalRetryWindow);
    for (;;) {
        std::unique_ptr<Rfc2217Line> line = connect(address, deadline, error);
        *silent = !line && Clock::now() >= deadline;
        if (line || error->kind != PortError::Busy || Clock::now() + RefusalRetryPause >= retryEnd)
            return line;
        std::this_thread::sleep_for(RefusalRetryPause);
    }
}

std::unique_ptr<Rfc2217Line> Rfc2217Line::connect(const RemoteAddress &address,
                                                  Clock::time_point deadline, PortError *error)
{
    GensioLoop *loop = GensioLoop::instance(error);
    if (!loop)
        return nullptr;
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
    const HostLookup::Result found = HostLookup::lookUp(address.host, left);
    *error = found.error;
    // A host with several addresses may serve on some of them only.
    for (const HostLookup::Address &each : found.addresses) {
        std::unique_ptr<Rfc2217Line> line =
            connectTo(*loop, stackFor(each, address.port), deadline, error);
        if (line || error->kind != PortError::Unreachable)
            return line;
    }
    return nullptr;
}

std::unique_ptr<Rfc2217Line> Rfc2217Line::connectTo(GensioLoop &loop, const QByteArray &stack,
                                                    Clock::time_point deadline, PortError *error)
{
    auto session = std::make_shared<Rfc2217Session>(loop);
    PortError failed = session->connect(stack, deadline);
    if (failed.isError()) {
        *error = failed;
        return nullptr;
    }
    // The set-up ends when the server has taken the framing. A server without RFC 2217 fails
    // at once; ser2net closes the connection when another client holds the port, and nothing
    // that must be answered goes out before the server has answered a purge: the library
    // loses track of (and leaks) a request whose connection is closed before the answer.
    auto line = std::make_unique<Rfc2217Line>(session);
    failed = line->checkServer(deadline);
    if (!failed.isError())
        failed = line->apply(StopBits::Two, false, deadline);
    if (failed.kind == PortError::Io)
        failed = line->closedAtOnce();
    *error = failed;
    return failed.isError() ? nullptr : std::move(line);
}

Rfc2217Line::Rfc2217Line(std::shared_ptr<Rfc2217Session> session) : session(std::move(session)) { }

Rfc2217Line::~Rfc2217Line()
{
    close();
}

bool Rfc2217Line::configure(StopBits stopBits)
{
    const PortError failed = apply(stopBits, true, Clock::now() + SettingLimit);
    return !failed.isError() || fail(failed);
}

bool Rfc2217Line::discardInput()
{
    session->purge();
    return true;
}

qint64 Rfc2217Line::write(const void *data, unsigned len, qint64 timeoutMs)
{
    PortError failed;
    const qint64 sent = session->send(static_cast<const char *>(data), len,
                                      Clock::now() + milliseconds(timeoutMs), &failed);
    if (sent < 0)
        fail(failed);
    return sent;
}

qint64 Rfc2217Line::read(void *data, unsigned len, qint64 timeoutMs)
{
    PortError failed;
    const qint64 got = session->receive(static_cast<char *>(data), len,
                                        Clock::now() + milliseconds(timeoutMs), &failed);
    if (got < 0)
        fail(failed);
    return got;
}

bool Rfc2217Line::close()
{
    session->close();
    return true;
}

// The modem lines go last and are not awaited: a server need not answer them (ser2net never
// does for a pseudo-terminal), and the library holds back every later request until it has
// given up waiting for those answers.
PortError Rfc2217Line::apply(StopBits stopBits, bool modemLines, Clock::time_point deadline)
{
    const auto wanted = settingsFor(stopBits);
    const auto request = [&](int first, int last, bool awaited) {
        bool sent = false;
        for (int control = first; control <= last; ++control) {
            std::optional<unsigned> &current = inForce[size_t(control)];
            if (current == wanted[size_t(control)])
                continue;
            session->requestControl(Control(control), wanted[size_t(control)], awaited);
            current = wanted[size_t(control)];
            sent = true;
        }
        return sent;
    };
    if (request(Rfc2217Session::Baud, Rfc2217Session::FlowControl, true)) {
        const PortError failed = session->awaitControls(deadline);
        if (failed.isError()) {
            inForce.fill(std::nullopt);
            return failed;
        }
    }
    if (modemLines)
        request(Rfc2217Session::Dtr, Rfc2217Session::Rts, false);
    return {};
}

// No flow control goes out unconfirmed, which the library refuses at once for a server without
// RFC 2217, then a purge: every request waits for the answer to the purge before it, so a
// server that leaves purges unanswered would make every exchange time out.
PortError Rfc2217Line::checkServer(Clock::time_point deadline)
{
    session->requestControl(Rfc2217Session::FlowControl, SERGENSIO_FLOWCONTROL_NONE, false);
    PortError failed = session->awaitControls(deadline);
    if (failed.isError())
        return failed;
    inForce[Rfc2217Session::FlowControl] = SERGENSIO_FLOWCONTROL_NONE;
    session->purge();
    if (session->send(nullptr, 0, deadline, &failed) >= 0)
        return {};
    if (failed.kind == PortError::Timeout)
        return {PortError::NoLineControl, QStringLiteral("no answer to a purge")};
    return failed;
}

PortError Rfc2217Line::closedAtOnce()
{
    char words[FarewellLength];
    PortError ignored;
    const qint64 got = session->receive(words, FarewellLength, Clock::now(), &ignored);
    const QString text = partingWords(QByteArray(words, int(std::max<qint64>(got, 0))));
    if (text.isEmpty())
        return {PortError::Busy, QStringLiteral("the device server closed the connection at once")};
    // ser2net says "Port already in use"; other words (a device it cannot open) are passed on.
    return {text.contains(QLatin1String("in use"), Qt::CaseInsensitive) ? PortError::Busy
                                                                        : PortError::Io,
            text};
}

QString Rfc2217Line::partingWords(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes.left(FarewellLength)) {
        if (c == '\r' || c == '\n') {
            if (text.isEmpty())
                continue;
            break;
        }
        text += c >= 0x20 && c < 0x7f ? QLatin1Char(c) : QLatin1Char('?');
    }
    return text;
}
