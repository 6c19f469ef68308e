#ifndef HOSTLOOKUP_H
#define HOSTLOOKUP_H

#include "PortError.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <chrono>

// Turns a host into its numeric addresses within a time limit. The system's lookup cannot be
// cancelled, so a host name is looked up on a thread of its own that is left to finish alone
// when the limit passes; later lookups of the same host join it rather than start another, and
// an answer is kept for a while, since the scan asks for every remote port each second.
//
// Threads: any thread may call lookUp at any time.
class HostLookup
{
public:
    struct Address
    {
        // Numeric, as the network library takes it: "192.0.2.7", "fd00::5".
        QByteArray text;
        bool ipv6 = false;
    };

    struct Result
    {
        // In the order the system prefers them, at most a few; empty on failure.
        QList<Address> addresses;
        PortError error;
    };

    static Result lookUp(const QString &host, std::chrono::milliseconds limit);
};

#endif // HOSTLOOKUP_H
