#ifndef VARIANTMASKS_H
#define VARIANTMASKS_H

#include <QMap>
#include <QMutex>
#include <QString>

// Per port, the identification command variants still worth sending (bits in PortScan.cpp).
// The ports of a pass and the thread that owns the scan use it at the same time; every member
// is one step under the lock.
class VariantMasks
{
public:
    // The port's mask; a port seen for the first time gets every variant and keeps that entry.
    int working(const QString &port);
    void store(const QString &port, int mask);
    // The next pass tries every variant on this port again.
    void forget(const QString &port);

private:
    QMutex mutex;
    QMap<QString, int> masks;
};

#endif // VARIANTMASKS_H
