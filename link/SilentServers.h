#ifndef SILENTSERVERS_H
#define SILENTSERVERS_H

#include "PortError.h"

#include <QString>

#include <functional>
#include <optional>

// Device servers that let an open wait out its whole time limit: a host that is switched off or
// gone, a name that no server resolves. The scan opens every port each second and a pass lasts
// as long as its slowest port, so trying such a server again each time would slow every row
// down. For a while its failure is answered at once instead, while a single attempt in the
// background finds out whether the server is back.
//
// Threads: every member may be called from any thread at any time.
class SilentServers
{
public:
    // Tries the server for real: the failure if it stayed silent again, else nothing (it
    // answered, or refused at once).
    using Attempt = std::function<std::optional<PortError>()>;

    // True, with the remembered failure in error, while the server at devicePath is known to be
    // silent. Once that is older than a few seconds, attempt runs on a thread of its own (one at
    // a time per server) and its outcome is remembered instead.
    static bool recall(const QString &devicePath, PortError *error, const Attempt &attempt);
    // Remembers the outcome of an open: a silent server's failure, or nothing to forget it.
    static void note(const QString &devicePath, const std::optional<PortError> &silence);
};

#endif // SILENTSERVERS_H
