#include "ComPort.h"

#include "PortNameMap.h"
#include "SerialLine.h"

#include <QElapsedTimer>
#include <QThread>

#include <cstring>

namespace {

// Serialises listing, opening and closing of ports across every link of the process.
QMutex portMutex;

constexpr unsigned EchoLength = 4;
// After a wrong echo the line counts as quiet once no byte has come for this long: longer than
// the 16 ms a USB adapter may hold received bytes back.
constexpr int QuietLineMs = 20;
// How long and how often openWhenFree asks a held port again.
constexpr qint64 HeldPortWaitMs = 1100;
constexpr unsigned long HeldPortPollMs = 50;

qint64 totalMs(quint32 constant, quint32 multiplier, unsigned bytes)
{
    return qint64(constant) + qint64(multiplier) * bytes;
}

// Calls transfer(done, left) until len bytes are through or a call moves none; answers the
// count, or -1 as soon as a call fails.
template<typename Transfer> qint64 transferAll(unsigned len, Transfer transfer)
{
    unsigned done = 0;
    while (done < len) {
        const qint64 n = transfer(done, len - done);
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += unsigned(n);
    }
    return done;
}

// A port excluded here, as a job reports it: held by another opener.
const PortError ExcludedPortError {PortError::Busy, QStringLiteral("Device or resource busy")};
const PortError ClosedLinkError {PortError::Io, QStringLiteral("The link is not open")};

} // namespace

ComPort::ComPort() = default;

ComPort::~ComPort()
{
    close();
}

QStringList ComPort::availablePorts(QList<PortRefusal> *refused)
{
    QStringList ports;
    QList<PortRefusal> refusals;
    {
        QMutexLocker portLock(&portMutex);
        QMutexLocker lock(&mutex);
        // Meant for a closed link; an open one keeps answering usesPort for its own port.
        const QByteArray ownName = currentName();
        for (int number = PortNameMap::FirstPortNumber; number <= PortNameMap::LastPortNumber;
             ++number) {
            const QString name = PortNameMap::portName(number);
            if (!claimName(name.toLatin1().constData()))
                continue;
            const QString path = PortNameMap::instance().devicePath(name);
            PortError refusal;
            if (SerialLine::open(path, &refusal))
                ports.append(name);
            else if (refusal.kind != PortError::NotFound)
                refusals.append({name, path, refusal, QString(), 0});
            setName(ownName.constData());
        }
    }
    // Outside the locks: looking through /proc must not hold up the opens of jobs.
    if (refused) {
        for (PortRefusal &refusal : refusals)
            refusal.findHolder();
        *refused = refusals;
    }
    return ports;
}

bool ComPort::setTimeouts(const LinkTimeouts &newTimeouts)
{
    // Every read and write takes its limits from these values, so there is nothing to hand to
    // the system and nothing it could refuse.
    QMutexLocker lock(&stateMutex);
    timeouts = newTimeouts;
    return true;
}

bool ComPort::open(const char *portName, StopBits stopBits)
{
    QMutexLocker portLock(&portMutex);
    QMutexLocker lock(&mutex);
    if (line)
        return true;
    if (!claimName(portName)) {
        noteError(ExcludedPortError);
        return false;
    }
    PortError refusal;
    line = SerialLine::open(PortNameMap::instance().devicePath(QString::fromLatin1(portName)),
                            &refusal);
    if (line && !line->configure(stopBits)) {
        refusal = line->error();
        line.reset();
    }
    noteError(refusal);
    if (!line)
        setName("");
    return bool(line);
}

bool ComPort::openWhenFree(const char *portName, StopBits stopBits,
                           const std::function<bool()> &stop)
{
    QElapsedTimer waited;
    waited.start();
    while (!open(portName, stopBits)) {
        if (lastError().kind != PortError::Busy || waited.elapsed() >= HeldPortWaitMs || (stop && stop()))
            return false;
        QThread::msleep(HeldPortPollMs);
    }
    return true;
}

bool ComPort::close()
{
    QMutexLocker portLock(&portMutex);
    QMutexLocker lock(&mutex);
    bool closed = true;
    if (line) {
        closed = line->close();
        if (!closed)
            noteError(line->error());
        line.reset();
    }
    setName("");
    return closed;
}

bool ComPort::usesPort(const QString &name) const
{
    const QByteArray wanted = name.toLatin1();
    QMutexLocker lock(&stateMutex);
    return qstrcmp(portName, wanted.constData()) == 0;
}

bool ComPort::transact(const char *request, unsigned requestLen, char *reply, unsigned replyLen)
{
    // An echo check on a reply or request shorter than the command word would read past the
    // caller's buffers, and could never pass anyway.
    if (replyLen > 0 && (replyLen < EchoLength || requestLen < EchoLength))
        return false;
    QMutexLocker lock(&mutex);
    if (exchange(request, requestLen, reply, replyLen) != qint64(replyLen))
        return false;
    if (replyLen == 0 || std::memcmp(reply + replyLen - EchoLength, request, EchoLength) == 0)
        return true;
    // Most likely the device answers a longer form of the command and is still sending it. The
    // next transaction's purge discards only what has arrived, so let the rest arrive first.
    awaitQuietLine(replyLen);
    return false;
}

bool ComPort::transactRaw(const void *request, unsigned requestLen, void *reply, unsigned replyLen)
{
    QMutexLocker lock(&mutex);
    return exchange(request, requestLen, reply, replyLen) == qint64(replyLen);
}

void ComPort::addExcludedPort(const QString &name)
{
    QMutexLocker lock(&stateMutex);
    excluded.append(name);
}

void ComPort::removeExcludedPort(const QString &name)
{
    QMutexLocker lock(&stateMutex);
    excluded.removeAll(name);
}

QStringList ComPort::excludedPorts() const
{
    QMutexLocker lock(&stateMutex);
    return excluded;
}

bool ComPort::claimName(const char *name)
{
    QMutexLocker lock(&stateMutex);
    if (excluded.contains(QString::fromLatin1(name)))
        return false;
    qstrncpy(portName, name, sizeof portName);
    return true;
}

void ComPort::setName(const char *name)
{
    QMutexLocker lock(&stateMutex);
    qstrncpy(portName, name, sizeof portName);
}

PortError ComPort::lastError() const
{
    QMutexLocker lock(&stateMutex);
    return error;
}

void ComPort::noteError(const PortError &noted)
{
    QMutexLocker lock(&stateMutex);
    error = noted;
}

QByteArray ComPort::currentName() const
{
    QMutexLocker lock(&stateMutex);
    return QByteArray(portName);
}

LinkTimeouts ComPort::currentTimeouts() const
{
    QMutexLocker lock(&stateMutex);
    return timeouts;
}

// Reads and drops bytes until none comes for QuietLineMs, for at most the read limit of a
// replyLen-byte reply, so that a device that keeps talking cannot hold the link. The caller
// holds mutex.
void ComPort::awaitQuietLine(unsigned replyLen)
{
    const LinkTimeouts limits = currentTimeouts();
    const qint64 limitMs = totalMs(limits.readTotalConstant, limits.readTotalMultiplier, replyLen);
    QElapsedTimer timer;
    timer.start();
    char dropped;
    while (timer.elapsed() < limitMs) {
        if (line->read(&dropped, 1, QuietLineMs) != 1)
            return;
    }
}

// The part both transactions share; the caller holds mutex. Answers the number of reply bytes
// that arrived, or -1 when the link is closed or the purge, a write or a read failed.
qint64 ComPort::exchange(const void *request, unsigned requestLen, void *reply, unsigned replyLen)
{
    if (!line) {
        noteError(ClosedLinkError);
        return -1;
    }
    const qint64 got = transfer(request, requestLen, reply, replyLen);
    if (got < 0)
        noteError(line->error());
    return got;
}

// The exchange on an open link: purge, write, read.
qint64 ComPort::transfer(const void *request, unsigned requestLen, void *reply, unsigned replyLen)
{
    if (!line->discardInput())
        return -1;
    const LinkTimeouts limits = currentTimeouts();

    const auto *out = static_cast<const char *>(request);
    const qint64 sent = transferAll(requestLen, [&](unsigned done, unsigned left) {
        return line->write(
            out + done, left,
            totalMs(limits.writeTotalConstant, limits.writeTotalMultiplier, left));
    });
    if (sent < 0)
        return -1;

    // Each read gets a fresh limit for the bytes still missing, so a reply that trickles in is
    // collected; the first read that brings nothing ends the exchange.
    auto *in = static_cast<char *>(reply);
    return transferAll(replyLen, [&](unsigned done, unsigned missing) {
        return line->read(
            in + done, missing,
            totalMs(limits.readTotalConstant, limits.readTotalMultiplier, missing));
    });
}
