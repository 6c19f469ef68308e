#ifndef SERIALPORT_UNIX_P_H
#define SERIALPORT_UNIX_P_H

#include "SerialLine.h"

// A serial line of a POSIX system: a terminal device driven through termios, poll and ioctl.
class TerminalLine : public SerialLine
{
public:
    // Takes over an open descriptor; it is closed with the line.
    explicit TerminalLine(int fd) : fd(fd) { }
    ~TerminalLine() override;

    bool configure(StopBits stopBits) override;
    bool discardInput() override;
    qint64 write(const void *data, unsigned len, qint64 timeoutMs) override;
    qint64 read(void *data, unsigned len, qint64 timeoutMs) override;
    bool close() override;

    // The system's reason for errno's value.
    static PortError systemError(int code);

private:
    // Notes errno's reason and answers -1, as a failed read or write does.
    qint64 failed(int code);

    int fd;
};

#endif // SERIALPORT_UNIX_P_H
