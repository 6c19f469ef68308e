#ifndef SERIALLINE_H
#define SERIALLINE_H

#include "PortError.h"
#include "StopBits.h"

#include <QString>

#include <memory>

// One open serial line as the system knows it: ComPort's only way to the operating system. Each
// system implements it in a file of its own (serialport_unix.cpp), so ComPort is free of system
// calls. A call that fails answers false or -1 and leaves its reason in error().
class SerialLine
{
public:
    // Opens the device a path names for this process alone. Fails at once when the device does
    // not exist, is no serial line, or is held by another opener in this or any other process.
    // A path "rfc2217://HOST:PORT" names a line that a device server serves over the network
    // (Rfc2217Line); its open takes up to about two seconds.
    static std::unique_ptr<SerialLine> open(const QString &devicePath, PortError *error);

    // Closes the line if close() was not called.
    virtual ~SerialLine() = default;

    // Puts the line into the devices' settings: raw bytes at 115200 bit/s, 8 data bits, no
    // parity, the given stop bits, no flow control, DTR raised and RTS low.
    virtual bool configure(StopBits stopBits) = 0;

    // Throws away received bytes that nobody has read. Bytes on their way out are never touched.
    virtual bool discardInput() = 0;

    // Writes len bytes and waits until they have left the output queue, all within timeoutMs.
    // Answers the number of bytes written, or -1 when the system failed, the line hung up, or
    // the bytes could not leave in time.
    virtual qint64 write(const void *data, unsigned len, qint64 timeoutMs) = 0;

    // Reads until len bytes have arrived or timeoutMs have passed. Answers the number of bytes
    // read (0 when nothing came in time), or -1 when the system failed or the line hung up.
    virtual qint64 read(void *data, unsigned len, qint64 timeoutMs) = 0;

    // The line is closed afterwards in any case; false when the system reported a failure.
    virtual bool close() = 0;

    PortError error() const { return lastError; }

protected:
    SerialLine() = default;
    // Notes why a call failed and answers what the failed call answers.
    bool fail(PortError error);

private:
    Q_DISABLE_COPY_MOVE(SerialLine)

    // The system's own kind of line, from the file of the system the program is built for.
    static std::unique_ptr<SerialLine> openLocal(const QString &devicePath, PortError *error);
    // A device server's line, where the build has one (Rfc2217Line).
    static std::unique_ptr<SerialLine> openRemote(const QString &devicePath, PortError *error);

    PortError lastError;
};

#endif // SERIALLINE_H
