#ifndef PORTRESOLVER_H
#define PORTRESOLVER_H

#include <QCoreApplication>
#include <QString>

#include <optional>

// Turns a PORT argument ("COM5", "\\.\COM5", a device path or a link to one) into the program's
// port name, so that the rest of the program sees an ordinary port. A device path, or the
// "rfc2217://HOST:PORT" address of a device server, that no port maps to gets a free name from
// the range that only overrides reach.
class PortResolver
{
    Q_DECLARE_TR_FUNCTIONS(PortResolver)

public:
    // The port name, or nothing (with the reason in error) when the port doesn't exist.
    static std::optional<QString> resolve(const QString &argument, QString *error);

private:
    static std::optional<QString> byName(const QString &name, QString *error);
    static std::optional<QString> byPath(const QString &path, QString *error);
    // The name that maps to the path, or a free one made to.
    static std::optional<QString> named(const QString &path, QString *error);
};

#endif // PORTRESOLVER_H
