#ifndef SERIALPORT_P_H
#define SERIALPORT_P_H

#include <QString>

// The operating system's side of ComPort: every system call of the port layer goes through
// these few functions, implemented once per system (serialport_unix.cpp). ComPort itself is
// free of system calls. A function that fails leaves the system's reason in errno.
namespace SerialPort {

// An open port as the system knows it; NoHandle when there is none.
using Handle = qintptr;
constexpr Handle NoHandle = -1;

// Opens the device for this process alone. Fails at once when the device does not exist, is
// not a serial terminal (ENOTTY), or is held by another opener in this or any other process
// (EBUSY: its lock; an exclusive flag left by a holder that is gone does not count).
Handle open(const QString &devicePath);

// Puts the line into the devices' settings: raw bytes at 115200 bit/s, 8 data bits, no parity,
// two stop bits (one when oneStopBit), no flow control, DTR raised and RTS low.
bool configure(Handle handle, bool oneStopBit);

bool close(Handle handle);

// Throws away received bytes that nobody has read. Bytes on their way out are never touched.
bool discardInput(Handle handle);

// Writes len bytes and waits until they have left the output queue, all within timeoutMs.
// Answers the number of bytes written, or -1 when the system failed, the line hung up, or the
// bytes could not leave in time.
qint64 write(Handle handle, const void *data, unsigned len, qint64 timeoutMs);

// Reads until len bytes have arrived or timeoutMs have passed. Answers the number of bytes read
// (0 when nothing came in time), or -1 when the system failed or the line hung up.
qint64 read(Handle handle, void *data, unsigned len, qint64 timeoutMs);

} // namespace SerialPort

#endif // SERIALPORT_P_H
