#include "Rfc2217Session.h"

#include "GensioLoop.h"

#include <algorithm>
#include <gensio/gensio.h>
#include <gensio/sergensio.h>

namespace {

// Bytes the server may send ahead of the reader. A reply is a few dozen bytes; beyond this the
// connection stops reading, and the server (and its device) wait.
constexpr int ReceiveLimit = 64 * 1024;

QString libraryText(int gensioError)
{
    return QString::fromLatin1(gensio_err_to_str(gensioError));
}

// What a failed connection attempt tells the user.
PortError connectError(int gensioError)
{
    switch (gensioError) {
    case GE_CONNREFUSE:
    case GE_HOSTDOWN:
    case GE_TIMEDOUT:
    case GE_NAME_NET_NOT_UP:
    case GE_OSERR:
        return {PortError::Unreachable, libraryText(gensioError)};
    case GE_REMCLOSE:
        return {PortError::Busy, libraryText(gensioError)};
    default:
        return {PortError::Io, libraryText(gensioError)};
    }
}

PortError connectionLost(int gensioError)
{
    return {PortError::Io, QStringLiteral("connection lost (%1)").arg(libraryText(gensioError))};
}

} // namespace

Rfc2217Session::Rfc2217Session(GensioLoop &loop) : loop(loop) { }

PortError Rfc2217Session::connect(const QByteArray &stack, Clock::time_point deadline)
{
    loop.post([self = shared_from_this(), stack] { self->startConnecting(stack); });
    std::unique_lock<std::mutex> lock(mutex);
    if (!changed.wait_until(lock, deadline, [this] { return openFinished; })) {
        abandoned = true;
        lock.unlock();
        close();
        return {PortError::Unreachable, QStringLiteral("no answer in time")};
    }
    return openError != 0 ? connectError(openError) : PortError {};
}

void Rfc2217Session::requestControl(Control control, unsigned value, bool confirmed)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        settings[size_t(control)] = Setting {value, confirmed, true, false, 0, 0};
    }
    loop.post([self = shared_from_this(), control, value, confirmed] {
        self->sendControl(control, value, confirmed);
    });
}

PortError Rfc2217Session::awaitControls(Clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(mutex);
    const auto allSettled = [this] {
        return lost || std::all_of(settings.begin(), settings.end(), [](const Setting &s) {
                   return !s.pending || s.settled;
               });
    };
    if (!changed.wait_until(lock, deadline, allSettled))
        return {PortError::Timeout,
                QStringLiteral("the device server did not confirm the line settings")};
    if (lost)
        return connectionLost(lostError);
    PortError failed;
    for (Setting &setting : settings) {
        if (!setting.pending)
            continue;
        setting.pending = false;
        if (failed.isError())
            continue;
        if (setting.error != 0)
            failed = {PortError::NoLineControl, libraryText(setting.error)};
        else if (setting.confirmed && setting.answer != setting.asked)
            failed = {PortError::NoLineControl,
                      QStringLiteral("the device server set %1 instead of %2")
                          .arg(setting.answer)
                          .arg(setting.asked)};
    }
    return failed;
}

void Rfc2217Session::purge()
{
    std::lock_guard<std::mutex> lock(mutex);
    received.clear();
    ++purgesAsked;
}

qint64 Rfc2217Session::send(const char *data, unsigned len, Clock::time_point deadline,
                            PortError *error)
{
    std::unique_lock<std::mutex> lock(mutex);
    if (lost) {
        *error = connectionLost(lostError);
        return -1;
    }
    const quint64 ticket = ++sendsQueued;
    const quint64 generation = purgesAsked;
    lock.unlock();
    loop.post([self = shared_from_this(), bytes = QByteArray(data, int(len)), generation, ticket] {
        self->transmit({bytes, generation, ticket});
    });
    lock.lock();
    if (!changed.wait_until(lock, deadline, [&] { return lost || sendsDone >= ticket; })) {
        *error = {PortError::Timeout,
                  QStringLiteral("the device server did not answer the purge or take the bytes "
                                 "in time")};
        return -1;
    }
    if (sendsDone < ticket) {
        *error = connectionLost(lostError);
        return -1;
    }
    return len;
}

qint64 Rfc2217Session::receive(char *data, unsigned len, Clock::time_point deadline,
                               PortError *error)
{
    std::unique_lock<std::mutex> lock(mutex);
    // Until the request after the last purge is out, whatever arrives is stale.
    changed.wait_until(lock, deadline, [&] {
        return lost || (sentAfter == purgesAsked && received.size() >= qsizetype(len));
    });
    const qsizetype taken = std::min<qsizetype>(len, received.size());
    if (taken == 0 && lost) {
        *error = connectionLost(lostError);
        return -1;
    }
    std::copy_n(received.constData(), taken, data);
    const bool wasFull = received.size() >= ReceiveLimit;
    received.remove(0, taken);
    lock.unlock();
    if (wasFull && taken > 0) {
        loop.post([self = shared_from_this()] {
            if (self->readPaused && self->state == State::Open) {
                self->readPaused = false;
                gensio_set_read_callback_enable(self->io, true);
            }
        });
    }
    return taken;
}

void Rfc2217Session::close()
{
    loop.post([self = shared_from_this()] { self->closeConnection(); });
}

// --- On the loop's thread ---

void Rfc2217Session::startConnecting(const QByteArray &stack)
{
    int failure =
        str_to_gensio(stack.constData(), loop.os(), &Rfc2217Session::eventCallback, this, &io);
    if (failure == 0) {
        keepAlive = shared_from_this();
        state = State::Opening;
        failure = gensio_open(io, &Rfc2217Session::openCallback, this);
    }
    if (failure != 0)
        onOpened(failure);
}

void Rfc2217Session::onOpened(int err)
{
    bool closeNow = false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        openFinished = true;
        openError = err;
        opened = err == 0;
        closeNow = opened && abandoned;
    }
    changed.notify_all();
    if (err != 0) {
        // A close asked for meanwhile ends with its own report.
        if (state == State::Opening)
            release();
        return;
    }
    if (state == State::Opening)
        state = State::Open;
    if (closeNow)
        closeConnection();
    else if (state == State::Open)
        gensio_set_read_callback_enable(io, true);
}

void Rfc2217Session::sendControl(Control control, unsigned value, bool confirmed)
{
    using Request = int (*)(sergensio *, unsigned, sergensio_done, void *);
    static constexpr Request requests[ControlCount] = {
        sergensio_baud,        sergensio_datasize, sergensio_parity, sergensio_stopbits,
        sergensio_flowcontrol, sergensio_dtr,      sergensio_rts,
    };
    static constexpr sergensio_done answers[ControlCount] = {
        controlCallback<Baud>,     controlCallback<DataSize>,    controlCallback<Parity>,
        controlCallback<StopSize>, controlCallback<FlowControl>, controlCallback<Dtr>,
        controlCallback<Rts>,
    };
    sergensio *sio = serial();
    const int failure = sio
        ? requests[control](sio, value, confirmed ? answers[control] : nullptr, this)
        : GE_NOTREADY;
    if (failure != 0 || !confirmed)
        settle(control, failure, value);
}

void Rfc2217Session::settle(Control control, int err, unsigned value)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        Setting &setting = settings[size_t(control)];
        setting.settled = true;
        setting.error = err;
        setting.answer = value;
    }
    changed.notify_all();
}

void Rfc2217Session::sendPurge()
{
    sergensio *sio = serial();
    const int failure = sio ? sergensio_flush(sio, SERGENSIO_FLUSH_RCV_BUFFER) : GE_NOTREADY;
    if (failure != 0)
        loseConnection(failure);
}

// Held back until the server has answered the purge before it: everything the server sent
// before that answer is stale, and the library hands over what came with the answer before
// this loop gets to run the next task (releaseHeld), so dropping what has arrived when the
// bytes go out drops it all, and nothing of the reply to them.
void Rfc2217Session::transmit(Outgoing bytes)
{
    if (state != State::Open) {
        loseConnection(GE_NOTREADY);
        return;
    }
    // The purge goes with the bytes it clears the way for: one wake-up of the loop for both.
    if (purgedFor < bytes.generation) {
        purgedFor = bytes.generation;
        ++purgesSent;
        sendPurge();
    }
    held = std::move(bytes);
    if (purgesAnswered >= purgesSent)
        releaseHeld();
}

void Rfc2217Session::releaseHeld()
{
    if (!held || state != State::Open)
        return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (sentAfter != held->generation) {
            received.clear();
            sentAfter = held->generation;
        }
    }
    if (readPaused) {
        readPaused = false;
        gensio_set_read_callback_enable(io, true);
    }
    outgoing += held->bytes;
    outgoingTicket = held->ticket;
    held.reset();
    flushOutgoing();
}

void Rfc2217Session::flushOutgoing()
{
    if (!outgoing.isEmpty()) {
        gensiods written = 0;
        const int failure =
            gensio_write(io, &written, outgoing.constData(), gensiods(outgoing.size()), nullptr);
        if (failure != 0) {
            loseConnection(failure);
            return;
        }
        outgoing.remove(0, qsizetype(written));
    }
    gensio_set_write_callback_enable(io, !outgoing.isEmpty());
    if (outgoing.isEmpty()) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            sendsDone = outgoingTicket;
        }
        changed.notify_all();
    }
}

// Also while the connection is still being opened: the library then may or may not report
// the open, but always before it reports the close.
void Rfc2217Session::closeConnection()
{
    if (state != State::Opening && state != State::Open)
        return;
    if (state == State::Open) {
        gensio_set_read_callback_enable(io, false);
        gensio_set_write_callback_enable(io, false);
    }
    state = State::Closing;
    if (gensio_close(io, &Rfc2217Session::closeCallback, this) != 0)
        release();
}

// Frees the library's connection, outside its callbacks, and lets go of this object.
void Rfc2217Session::release()
{
    if (state == State::Released)
        return;
    state = State::Released;
    loop.post([self = shared_from_this()] {
        if (self->io)
            gensio_free(self->io);
        self->io = nullptr;
        self->keepAlive.reset();
    });
}

void Rfc2217Session::loseConnection(int err)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!lost) {
            lost = true;
            lostError = err;
        }
    }
    changed.notify_all();
}

int Rfc2217Session::onEvent(int event, int err, const unsigned char *buf, unsigned long *buflen)
{
    switch (event) {
    case GENSIO_EVENT_READ: {
        if (err != 0) {
            gensio_set_read_callback_enable(io, false);
            loseConnection(err);
            return 0;
        }
        qsizetype taken = 0;
        {
            std::lock_guard<std::mutex> lock(mutex);
            const qsizetype room = std::max<qsizetype>(0, ReceiveLimit - received.size());
            taken = std::min<qsizetype>(room, qsizetype(*buflen));
            received.append(reinterpret_cast<const char *>(buf), taken);
        }
        if (taken < qsizetype(*buflen)) {
            // Full: the rest stays with the library until the reader makes room.
            readPaused = true;
            gensio_set_read_callback_enable(io, false);
        }
        *buflen = gensiods(taken);
        changed.notify_all();
        return 0;
    }
    case GENSIO_EVENT_WRITE_READY:
        flushOutgoing();
        return 0;
    case GENSIO_EVENT_SER_FLUSH:
        ++purgesAnswered;
        // Bytes the server sent before its answer may still be handed over after this call.
        if (held && purgesAnswered >= purgesSent)
            loop.post([self = shared_from_this()] { self->releaseHeld(); });
        return 0;
    case GENSIO_EVENT_SER_MODEMSTATE:
    case GENSIO_EVENT_SER_LINESTATE:
        return 0;
    default:
        return GE_NOTSUP;
    }
}

sergensio *Rfc2217Session::serial() const
{
    return state == State::Open ? gensio_to_sergensio(io) : nullptr;
}

int Rfc2217Session::eventCallback(gensio *, void *session, int event, int err, unsigned char *buf,
                                  unsigned long *buflen, const char *const *)
{
    return static_cast<Rfc2217Session *>(session)->onEvent(event, err, buf, buflen);
}

void Rfc2217Session::openCallback(gensio *, int err, void *session)
{
    static_cast<Rfc2217Session *>(session)->onOpened(err);
}

void Rfc2217Session::closeCallback(gensio *, void *session)
{
    static_cast<Rfc2217Session *>(session)->release();
}

template<Rfc2217Session::Control control>
void Rfc2217Session::controlCallback(sergensio *, int err, unsigned value, void *session)
{
    static_cast<Rfc2217Session *>(session)->settle(control, err, value);
}
