#ifndef COMPORT_H
#define COMPORT_H

#include "LinkTimeouts.h"
#include "PortError.h"
#include "PortRefusal.h"
#include "StopBits.h"

#include <QByteArray>
#include <QMutex>
#include <QStringList>

#include <functional>
#include <memory>

class SerialLine;

// The serial link to one device: lists the ports that can be opened, opens one with the
// devices' line settings, holds the time-outs and carries request/reply transactions.
//
// Locking: a process-wide port mutex serialises availablePorts, open and close of all links;
// each link's own mutex serialises its operations (lock order: port mutex, then the link's).
// Transactions hold the link's mutex alone, so links work side by side, and a close from
// another thread waits for the running transaction. usesPort, setTimeouts and the excluded
// list may be used from any thread at any time and never wait for a transaction.
class ComPort
{
public:
    ComPort();
    // Closes the port if the owner has not: an open port stays locked against every opener.
    ~ComPort();

    // The names of the ports COM1 to COM255 that are not excluded and can be opened now. The
    // others whose device exists go to refused, if given, with the reason and any holder.
    QStringList availablePorts(QList<PortRefusal> *refused = nullptr);

    // Every later read and write takes its limits from these; kept across close and open.
    bool setTimeouts(const LinkTimeouts &timeouts);

    // True when the link is open, also when it already was (on whatever port).
    bool open(const char *portName, StopBits stopBits);
    // As open(), but a port held by another opener gets a moment to come free: about two probe
    // lengths of a scan (another window's, say) that happens to be asking the device. stop, if
    // given, ends the wait early.
    bool openWhenFree(const char *portName, StopBits stopBits,
                      const std::function<bool()> &stop = {});
    // The link is closed afterwards in any case; false when the system reported a failure.
    bool close();
    // True while the link holds the port or tries it during availablePorts.
    bool usesPort(const QString &name) const;
    // Why the last operation that failed did: the system's reason, Busy for a port excluded
    // here, NotFound for a name that maps to no device. Cleared by an open that succeeds.
    PortError lastError() const;

    // Discards stale input, writes the request, reads replyLen bytes. transact also demands
    // that the reply ends with the request's first four bytes; when they differ it lets the
    // line fall quiet before it answers false. Whatever arrived is in reply in every case.
    bool transact(const char *request, unsigned requestLen, char *reply, unsigned replyLen);
    bool transactRaw(const void *request, unsigned requestLen, void *reply, unsigned replyLen);

    // Names that availablePorts skips and open refuses.
    void addExcludedPort(const QString &name);
    // Removes every occurrence.
    void removeExcludedPort(const QString &name);
    QStringList excludedPorts() const;

private:
    Q_DISABLE_COPY_MOVE(ComPort)

    bool claimName(const char *name);
    void setName(const char *name);
    QByteArray currentName() const;
    void noteError(const PortError &noted);
    LinkTimeouts currentTimeouts() const;
    qint64 exchange(const void *request, unsigned requestLen, void *reply, unsigned replyLen);
    qint64 transfer(const void *request, unsigned requestLen, void *reply, unsigned replyLen);
    void awaitQuietLine(unsigned replyLen);

    QStringList excluded;
    QMutex mutex;
    // Guards excluded, portName, timeouts and error; held only for a moment, never during I/O, and
    // always taken last. Checking the excluded list and taking the name happen under it at
    // once, so a port excluded from another thread is either refused or seen by usesPort.
    mutable QMutex stateMutex;
    // The port held or being tried, at most 63 characters; a plain array, so that no copy
    // shares its bytes with another thread.
    char portName[64] = {};
    std::unique_ptr<SerialLine> line;
    LinkTimeouts timeouts;
    PortError error;
};

#endif // COMPORT_H
