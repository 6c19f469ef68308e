#ifndef SERIALPORT_WIN_P_H
#define SERIALPORT_WIN_P_H

#include "SerialLine.h"

#include <windows.h>

// A serial line of Windows: a communications device opened with CreateFileA and driven through
// its DCB, its COMMTIMEOUTS and synchronous ReadFile and WriteFile.
class CommLine : public SerialLine
{
public:
    // Takes over an open handle and the settings the device reported; the handle is closed with
    // the line.
    CommLine(HANDLE handle, const DCB &reported) : handle(handle), dcb(reported) { }
    ~CommLine() override;

    bool configure(StopBits stopBits) override;
    bool discardInput() override;
    qint64 write(const void *data, unsigned len, qint64 timeoutMs) override;
    qint64 read(void *data, unsigned len, qint64 timeoutMs) override;
    bool close() override;

    // The kind and the system's text of a GetLastError() code.
    static PortError systemError(DWORD code);

private:
    bool applyTimeouts(const COMMTIMEOUTS &wanted);
    // Notes the reason for code and answers -1, as a failed read or write does.
    qint64 failed(DWORD code);

    HANDLE handle;
    // As GetCommState reported it at the open, then changed by configure().
    DCB dcb;
    COMMTIMEOUTS applied {};
    bool timeoutsApplied = false;
};

#endif // SERIALPORT_WIN_P_H
