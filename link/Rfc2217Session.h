#ifndef RFC2217SESSION_H
#define RFC2217SESSION_H

#include "PortError.h"

#include <QByteArray>

#include <array>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

class GensioLoop;
struct gensio;
struct sergensio;

// One telnet connection with the serial-control option (RFC 2217) to a device server, driven by
// the network library on its loop. Callers on any thread start operations and wait for them
// with a deadline; the library works on the loop's thread and reports back here. Bytes from
// the server wait in a bounded buffer until they are read.
//
// Threads: one caller at a time (the line's owner), besides the loop. The object lives until the
// library has let go of the connection, which may be after its owner has dropped it.
class Rfc2217Session : public std::enable_shared_from_this<Rfc2217Session>
{
public:
    using Clock = std::chrono::steady_clock;

    // The line settings the server is asked for, one message each: the framing, then the modem
    // lines.
    enum Control { Baud, DataSize, Parity, StopSize, FlowControl, Dtr, Rts, ControlCount };

    explicit Rfc2217Session(GensioLoop &loop);

    // Connects through the library's stack (telnet(rfc2217),tcp,...) and waits until the
    // server has taken up the serial-control option, at most until deadline. Kinds:
    // Unreachable (refused, no route, no negotiation by the deadline), Busy (the server closed
    // the connection at once), Io.
    PortError connect(const QByteArray &stack, Clock::time_point deadline);

    // Sends one setting. A confirmed one waits for the server's answer; an unconfirmed one has
    // none (some servers never answer the modem lines of a pseudo-terminal), and the library
    // keeps no record of it that a connection closed meanwhile could lose.
    void requestControl(Control control, unsigned value, bool confirmed);
    // Waits until every setting requested since the last call has been answered (confirmed
    // ones) or handed over (the others), and checks that the server took the values asked
    // for. NoLineControl when it refused one, took another value, or serves no RFC 2217.
    PortError awaitControls(Clock::time_point deadline);

    // Drops what has arrived; the next send() asks the server first to drop what its device sent
    // and it has not passed on yet. Its bytes go out once the server has answered, and what
    // came before they went out is dropped, so no byte that the device sent before the request
    // counts as its reply.
    void purge();
    // Hands bytes to the connection and waits until they are out; answers the count, or -1
    // (error set) when the connection is lost or the server did not answer the purge or take
    // the bytes by the deadline.
    qint64 send(const char *data, unsigned len, Clock::time_point deadline, PortError *error);
    // Waits until len bytes have arrived or the deadline passes; answers the count (0 when
    // none), or -1 (error set) when the connection is lost and nothing is left to read.
    qint64 receive(char *data, unsigned len, Clock::time_point deadline, PortError *error);

    // Starts closing; the connection goes in the background. Any thread, any time.
    void close();

private:
    Q_DISABLE_COPY_MOVE(Rfc2217Session)

    // Bytes to send once every purge sent before them is answered; generation counts the
    // purges asked for until then.
    struct Outgoing
    {
        QByteArray bytes;
        quint64 generation;
        quint64 ticket;
    };

    struct Setting
    {
        unsigned asked = 0;
        bool confirmed = false;
        // Requested since the last awaitControls().
        bool pending = false;
        // Answered, handed over unconfirmed, or refused by the library.
        bool settled = false;
        unsigned answer = 0;
        int error = 0;
    };

    // Run on the loop's thread.
    void startConnecting(const QByteArray &stack);
    void sendControl(Control control, unsigned value, bool confirmed);
    void sendPurge();
    void transmit(Outgoing bytes);
    void releaseHeld();
    void flushOutgoing();
    void closeConnection();
    void release();
    int onEvent(int event, int err, const unsigned char *buf, unsigned long *buflen);
    void onOpened(int err);
    void settle(Control control, int err, unsigned value);
    void loseConnection(int err);
    sergensio *serial() const;

    // The library's callbacks.
    static int eventCallback(gensio *io, void *session, int event, int err, unsigned char *buf,
                             unsigned long *buflen, const char *const *auxdata);
    static void openCallback(gensio *io, int err, void *session);
    static void closeCallback(gensio *io, void *session);
    template<Control control>
    static void controlCallback(sergensio *sio, int err, unsigned value, void *session);

    GensioLoop &loop;

    // Where the library's connection stands; the loop's thread alone.
    enum class State { Idle, Opening, Open, Closing, Released };

    // The loop's thread alone.
    State state = State::Idle;
    gensio *io = nullptr;
    std::shared_ptr<Rfc2217Session> keepAlive;
    std::optional<Outgoing> held;
    QByteArray outgoing;
    quint64 outgoingTicket = 0;
    // The generation of the last purge sent, and the purge messages sent and answered.
    quint64 purgedFor = 0;
    quint64 purgesSent = 0;
    quint64 purgesAnswered = 0;
    bool readPaused = false;

    std::mutex mutex;
    std::condition_variable changed;
    bool opened = false;
    bool openFinished = false;
    int openError = 0;
    bool abandoned = false;
    bool lost = false;
    int lostError = 0;
    QByteArray received;
    // Purges are counted; what arrives counts only once the bytes sent after the last purge
    // are out.
    quint64 purgesAsked = 0;
    quint64 sentAfter = 0;
    quint64 sendsQueued = 0;
    quint64 sendsDone = 0;
    std::array<Setting, ControlCount> settings;
};

#endif // RFC2217SESSION_H
