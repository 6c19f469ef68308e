#include "serialport_win_p.h"

#include <algorithm>

namespace {

// ReadFile waits for nothing with this interval and no totals: it answers at once with what has
// arrived. All three at zero would instead mean "no time-out", a read without end.
constexpr DWORD ReturnAtOnce = MAXDWORD;
// MAXDWORD as a total time-out has a meaning of its own to the driver; longer waits are cut.
constexpr qint64 LongestTimeoutMs = MAXDWORD - 1;

// Fields the driver reports in a way our settings did not choose are left as they are; these
// are the ones that set up the devices' line.
void setLine(DCB &dcb, StopBits stopBits)
{
    dcb.BaudRate = CBR_115200;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    // Another program may have left the port with a parity bit, which the devices would read as
    // part of the next byte.
    dcb.Parity = NOPARITY;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fAbortOnError = TRUE;
    dcb.ByteSize = 8;
    dcb.StopBits = stopBits == StopBits::One ? ONESTOPBIT : TWOSTOPBITS;
}

DWORD timeoutValue(qint64 ms)
{
    return DWORD(std::clamp<qint64>(ms, 0, LongestTimeoutMs));
}

} // namespace

PortError CommLine::systemError(DWORD code)
{
    PortError::Kind kind = PortError::Io;
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        kind = PortError::NotFound;
        break;
    // Windows admits one opener of a COM port; everyone else is refused this way. Wine tells a
    // terminal that its Linux holder made exclusive as a lock conflict.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
        kind = PortError::Busy;
        break;
    case ERROR_TIMEOUT:
    case ERROR_SEM_TIMEOUT:
        kind = PortError::Timeout;
        break;
    default:
        break;
    }
    return {kind, qt_error_string(int(code))};
}

// Built without libgensio: say so rather than look for a local device of that name.
std::unique_ptr<SerialLine> SerialLine::openRemote(const QString &, PortError *error)
{
    if (error)
        *error = {PortError::Io, QStringLiteral("no device server support in this build")};
    return nullptr;
}

std::unique_ptr<SerialLine> SerialLine::openLocal(const QString &devicePath, PortError *error)
{
    if (devicePath.isEmpty()) {
        *error = CommLine::systemError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    // Synchronous I/O. The share mode does not matter: the serial driver refuses a second
    // opener whatever it asks for.
    const HANDLE handle =
        CreateFileA(devicePath.toLocal8Bit().constData(), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = CommLine::systemError(GetLastError());
        return nullptr;
    }
    // Protocol bytes go to communications devices only, never into a file that a wrong [Ports]
    // entry names: anything else has no comm state.
    DCB reported {};
    reported.DCBlength = sizeof reported;
    if (GetFileType(handle) != FILE_TYPE_CHAR || !GetCommState(handle, &reported)) {
        const DWORD code = GetLastError();
        CloseHandle(handle);
        *error = {PortError::NotATerminal,
                  qt_error_string(int(code == NO_ERROR ? ERROR_INVALID_FUNCTION : code))};
        return nullptr;
    }
    *error = {};
    return std::make_unique<CommLine>(handle, reported);
}

CommLine::~CommLine()
{
    close();
}

bool CommLine::configure(StopBits stopBits)
{
    setLine(dcb, stopBits);
    // Time-outs before the line settings, so that no read or write runs without them.
    COMMTIMEOUTS none {};
    none.ReadIntervalTimeout = ReturnAtOnce;
    if (!applyTimeouts(none) || !SetCommState(handle, &dcb))
        return fail(systemError(GetLastError()));
    return true;
}

bool CommLine::discardInput()
{
    // Received bytes only: bytes still on their way out belong to a frame being sent.
    return PurgeComm(handle, PURGE_RXCLEAR) || fail(systemError(GetLastError()));
}

qint64 CommLine::write(const void *data, unsigned len, qint64 timeoutMs)
{
    COMMTIMEOUTS limits = applied;
    limits.WriteTotalTimeoutMultiplier = 0;
    // Zero would mean no limit at all; the shortest limit is the nearest to "do not wait".
    limits.WriteTotalTimeoutConstant = std::max<DWORD>(timeoutValue(timeoutMs), 1);
    if (!applyTimeouts(limits))
        return failed(GetLastError());
    DWORD sent = 0;
    if (!WriteFile(handle, data, len, &sent, nullptr))
        return failed(GetLastError());
    // The driver ends a write whose time ran out as a success with fewer bytes.
    return sent == len ? qint64(sent) : failed(ERROR_TIMEOUT);
}

qint64 CommLine::read(void *data, unsigned len, qint64 timeoutMs)
{
    COMMTIMEOUTS limits = applied;
    limits.ReadTotalTimeoutMultiplier = 0;
    limits.ReadTotalTimeoutConstant = timeoutValue(timeoutMs);
    limits.ReadIntervalTimeout = limits.ReadTotalTimeoutConstant == 0 ? ReturnAtOnce : 0;
    if (!applyTimeouts(limits))
        return failed(GetLastError());
    DWORD got = 0;
    if (!ReadFile(handle, data, len, &got, nullptr))
        return failed(GetLastError());
    return got;
}

bool CommLine::close()
{
    if (handle == INVALID_HANDLE_VALUE)
        return true;
    const bool closed = CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    return closed || fail(systemError(GetLastError()));
}

// Each call gives the time-outs of its own length; the driver is told only when they change.
bool CommLine::applyTimeouts(const COMMTIMEOUTS &wanted)
{
    const auto same = [](const COMMTIMEOUTS &a, const COMMTIMEOUTS &b) {
        return a.ReadIntervalTimeout == b.ReadIntervalTimeout
            && a.ReadTotalTimeoutMultiplier == b.ReadTotalTimeoutMultiplier
            && a.ReadTotalTimeoutConstant == b.ReadTotalTimeoutConstant
            && a.WriteTotalTimeoutMultiplier == b.WriteTotalTimeoutMultiplier
            && a.WriteTotalTimeoutConstant == b.WriteTotalTimeoutConstant;
    };
    if (timeoutsApplied && same(applied, wanted))
        return true;
    COMMTIMEOUTS given = wanted;
    if (!SetCommTimeouts(handle, &given))
        return false;
    applied = wanted;
    timeoutsApplied = true;
    return true;
}

qint64 CommLine::failed(DWORD code)
{
    fail(systemError(code));
    return -1;
}
