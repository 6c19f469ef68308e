#include "RegularFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace RegularFile {

namespace {

constexpr unsigned long LockPollMs = 1;
// The programs lock one byte far past any data, not the data itself: a lock on Windows also
// keeps the other processes from reading or writing what it covers.
constexpr DWORD LockOffsetLow = 0xfffffffe;
constexpr DWORD LockOffsetHigh = 0x7fffffff;

std::wstring nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

// The C library's errno for what Windows reported, so that callers see the same as elsewhere.
int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    default:
        return EIO;
    }
}

bool failWith(DWORD error)
{
    errno = errnoOf(error);
    return false;
}

DWORD creation(int flags)
{
    if ((flags & O_CREAT) && (flags & O_EXCL))
        return CREATE_NEW;
    return (flags & O_CREAT) ? OPEN_ALWAYS : OPEN_EXISTING;
}

DWORD accessOf(int flags)
{
    switch (flags & O_ACCMODE) {
    case O_WRONLY:
        return GENERIC_WRITE;
    case O_RDWR:
        return GENERIC_READ | GENERIC_WRITE;
    default:
        return GENERIC_READ;
    }
}

// Only a file on a disk is kept: a device name (NUL, COM1, CON), a pipe or a folder is not.
bool isRegular(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    return ::GetFileType(handle) == FILE_TYPE_DISK
        && ::GetFileInformationByHandle(handle, &info)
        && !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

// Shared for deleting too, as a file is elsewhere: another window may rename the log it holds.
int openChecked(const QString &path, int flags, bool followLink)
{
    const Kind kind = kindAt(path);
    if (kind == Kind::Other || (kind == Kind::Link && !followLink)) {
        errno = kind == Kind::Link ? ELOOP : EINVAL;
        return -1;
    }
    const DWORD linkFlag = followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT;
    const HANDLE handle = ::CreateFileW(
        nativeName(path).c_str(), accessOf(flags),
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, creation(flags),
        FILE_ATTRIBUTE_NORMAL | linkFlag, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        failWith(::GetLastError());
        return -1;
    }
    if (!isRegular(handle)) {
        ::CloseHandle(handle);
        errno = EINVAL;
        return -1;
    }
    // Binary, as without O_TEXT: text mode would turn every "\n" into "\r\n".
    const int fd = ::_open_osfhandle(intptr_t(handle), flags & O_APPEND);
    if (fd < 0)
        ::CloseHandle(handle);
    return fd;
}

} // namespace

int open(const QString &path, int flags)
{
    return openChecked(path, flags, true);
}

// The new file takes the permissions its folder hands down, as Windows files do.
int openOwnFile(const QString &path, int flags, mode_t)
{
    return openChecked(path, flags, false);
}

bool lock(int fd, int waitMs)
{
    QElapsedTimer waited;
    waited.start();
    OVERLAPPED place = {};
    place.Offset = LockOffsetLow;
    place.OffsetHigh = LockOffsetHigh;
    while (!::LockFileEx(handleOf(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1,
                         0, &place)) {
        if (::GetLastError() != ERROR_LOCK_VIOLATION || waited.elapsed() >= waitMs)
            return false;
        QThread::msleep(LockPollMs);
    }
    return true;
}

void unlock(int fd)
{
    OVERLAPPED place = {};
    place.Offset = LockOffsetLow;
    place.OffsetHigh = LockOffsetHigh;
    ::UnlockFileEx(handleOf(fd), 0, 1, 0, &place);
}

bool sync(int fd)
{
    return ::FlushFileBuffers(handleOf(fd)) || failWith(::GetLastError());
}

// A folder can't be flushed on Windows; replace() writes its rename through instead, and NTFS
// keeps a new file's entry in its journal.
bool syncFolder(const QString &)
{
    return true;
}

qint64 size(int fd)
{
    LARGE_INTEGER bytes;
    if (::GetFileSizeEx(handleOf(fd), &bytes))
        return bytes.QuadPart;
    failWith(::GetLastError());
    return -1;
}

bool truncate(int fd, qint64 size)
{
    const errno_t error = ::_chsize_s(fd, size);
    errno = error;
    return error == 0;
}

bool readAt(int fd, qint64 offset, QByteArray *bytes)
{
    OVERLAPPED place = {};
    place.Offset = DWORD(offset);
    place.OffsetHigh = DWORD(offset >> 32);
    DWORD read = 0;
    if (bytes->isEmpty())
        return true;
    if (!::ReadFile(handleOf(fd), bytes->data(), DWORD(bytes->size()), &read, &place))
        return failWith(::GetLastError());
    return qsizetype(read) == bytes->size();
}

// A device name (NUL, COM1, CON, in any folder) is told by its full name, \\.\NAME, without
// opening the device.
Kind kindAt(const QString &path)
{
    const std::wstring name = nativeName(path);
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(name.c_str(), MAX_PATH, full, nullptr);
    if (length > 0 && length < MAX_PATH && std::wstring(full, length).rfind(LR"(\\.\)", 0) == 0)
        return Kind::Other;
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return Kind::Missing;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Kind::Link;
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) ? Kind::Other
                                                                             : Kind::Regular;
}

bool isAt(int fd, const QString &path)
{
    const HANDLE atPath = ::CreateFileW(
        nativeName(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (atPath == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION held;
    BY_HANDLE_FILE_INFORMATION named;
    const bool same = ::GetFileInformationByHandle(handleOf(fd), &held)
        && ::GetFileInformationByHandle(atPath, &named)
        && held.dwVolumeSerialNumber == named.dwVolumeSerialNumber
        && held.nFileIndexHigh == named.nFileIndexHigh && held.nFileIndexLow == named.nFileIndexLow;
    ::CloseHandle(atPath);
    return same;
}

// Unlike rename(), which refuses when a file is there already.
bool replace(const QString &from, const QString &to)
{
    return ::MoveFileExW(nativeName(from).c_str(), nativeName(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
        || failWith(::GetLastError());
}

// A replacement takes the permissions its folder hands down, as the file it replaces did.
void keepAttributes(int, const QString &) { }

} // namespace RegularFile
