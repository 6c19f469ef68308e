#ifndef REFUSALTEXT_H
#define REFUSALTEXT_H

#include "PortRefusal.h"

#include <QCoreApplication>
#include <QString>

// What the device list says about a port that could not be opened: a short status for its row
// and, for the row's tooltip, the device path with what the user can do about it; for a port
// served over the network, the device server's host and port too.
class RefusalText
{
    Q_DECLARE_TR_FUNCTIONS(RefusalText)

public:
    static QString status(const PortRefusal &refusal);
    static QString advice(const PortRefusal &refusal);

private:
    static QString permissionAdvice(const QString &devicePath);
    // For a port served over the network; server is its "HOST:PORT".
    static QString remoteAdvice(const PortRefusal &refusal, const QString &server);
};

#endif // REFUSALTEXT_H
