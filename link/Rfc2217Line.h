#ifndef RFC2217LINE_H
#define RFC2217LINE_H

#include "Rfc2217Session.h"
#include "SerialLine.h"

#include <array>
#include <memory>
#include <optional>

class GensioLoop;
class RemoteAddress;

// A serial line that a device server (ser2net, or a commercial one in its RFC 2217 mode) serves
// over the network: the same bytes and line settings as a local one, carried by telnet with
// the serial-control option. Settings go to the server only when they change, and each one
// is in force there before the next byte goes out; read time-outs stay here.
class Rfc2217Line : public SerialLine
{
public:
    // Connects to the server behind a "rfc2217://HOST:PORT" path, within a bound of about two
    // seconds for the name lookup, the connection and the negotiation together. A server that
    // ran into that bound is answered from memory for a while (SilentServers).
    static std::unique_ptr<SerialLine> open(const QString &devicePath, PortError *error);

    // The first line of what a server sent before it closed a connection, as printable ASCII
    // (anything else a '?'), at most 80 characters: the reason it gives for turning us away.
    static QString partingWords(const QByteArray &bytes);

    explicit Rfc2217Line(std::shared_ptr<Rfc2217Session> session);
    ~Rfc2217Line() override;

    bool configure(StopBits stopBits) override;
    bool discardInput() override;
    qint64 write(const void *data, unsigned len, qint64 timeoutMs) override;
    qint64 read(void *data, unsigned len, qint64 timeoutMs) override;
    bool close() override;

private:
    using Clock = Rfc2217Session::Clock;

    // One open, within the limit; silent tells whether it failed by running into the limit.
    static std::unique_ptr<Rfc2217Line> attempt(const RemoteAddress &address, PortError *error,
                                                bool *silent);
    static std::unique_ptr<Rfc2217Line> connect(const RemoteAddress &address,
                                                Clock::time_point deadline, PortError *error);
    static std::unique_ptr<Rfc2217Line> connectTo(GensioLoop &loop, const QByteArray &stack,
                                                  Clock::time_point deadline, PortError *error);
    // Sends the settings that differ from those in force and waits for the server to take the
    // framing (speed, data bits, parity, stop bits, flow control); the modem lines follow if
    // asked for.
    PortError apply(StopBits stopBits, bool modemLines, Clock::time_point deadline);
    PortError checkServer(Clock::time_point deadline);
    // Why the server closed the connection while it was being set up, in its own words if it
    // gave any.
    PortError closedAtOnce();

    std::shared_ptr<Rfc2217Session> session;
    // What the server has been asked for and taken, per setting.
    std::array<std::optional<unsigned>, Rfc2217Session::ControlCount> inForce;
};

#endif // RFC2217LINE_H
