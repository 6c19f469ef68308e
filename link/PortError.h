#ifndef PORTERROR_H
#define PORTERROR_H

#include <QString>

// Why the link failed: what kind of failure, decided once where the system reported it, and the
// system's own text for it.
struct PortError
{
    enum Kind {
        None,
        // No device at the path, or no path at all.
        NotFound,
        Permission,
        // Held by another opener, here or in another process.
        Busy,
        // The path names something that is no serial line.
        NotATerminal,
        Io,
        Timeout,
    };

    Kind kind = None;
    QString text;

    bool isError() const { return kind != None; }
};

#endif // PORTERROR_H
