#ifndef PORTERROR_H
#define PORTERROR_H

#include <QString>

// Why the system refused a port: its error number (errno) and the system's own text for it.
struct PortError
{
    int code = 0;
    QString text;

    bool isError() const { return code != 0; }
    static PortError fromSystem(int code) { return {code, qt_error_string(code)}; }
};

#endif // PORTERROR_H
