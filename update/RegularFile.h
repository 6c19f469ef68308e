#ifndef REGULARFILE_H
#define REGULARFILE_H

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/types.h>

// Opens files that must be regular files: a firmware file, the job log, the program's log and
// settings. A FIFO would block open() until its other end appears, and a FIFO or a device such
// as /dev/zero would never end a read; a path that names one, by mistake or on purpose, must
// not hang the program. Nothing but a regular file is opened, and the open itself never waits.
//
// A file is written only when it is a file of its own, never through a symbolic link in its
// place: anyone who may write to the folder could otherwise make the program write wherever the
// link points, into root's files when root runs it.
namespace RegularFile {

// A descriptor (O_CLOEXEC) of the regular file at path opened with flags; -1 with errno set
// otherwise (EINVAL for anything but a regular file).
int open(const QString &path, int flags);
// file opened read-only in mode on the regular file at its name; false otherwise.
bool openForReading(QFile &file, QIODevice::OpenMode mode = QIODevice::ReadOnly);

// The file itself, for writing or for reading what will be written back: as open(), also with
// O_CREAT (mode for a new file, less the umask), but ELOOP for a symbolic link at path.
int openOwnFile(const QString &path, int flags, mode_t mode = 0644);
// All of data, in as many writes as it takes; false with errno set (ENOSPC for a write that
// stopped short without saying why). written, if given: how many of the bytes landed.
bool writeAll(int fd, const QByteArray &data, qsizetype *written = nullptr);
// An exclusive lock on the file between processes, waited for at most waitMs: false when
// another process held it that long.
bool lock(int fd, int waitMs);
void unlock(int fd);
// The file's contents on disk, so that they survive a crash or a power cut.
bool sync(int fd);
// Flushes the folder of path to disk, so that a file created or renamed there survives a crash.
bool syncFolder(const QString &path);
// The file's size; -1 with errno set when the system can't tell.
qint64 size(int fd);
bool truncate(int fd, qint64 size);
// bytes->size() bytes from offset on, whatever the descriptor's position.
bool readAt(int fd, qint64 offset, QByteArray *bytes);

enum class Kind { Missing, Regular, Link, Other };
// What is at path, the link itself for a symbolic link.
Kind kindAt(const QString &path);
// Whether the descriptor is the file that path names now (not a file renamed away meanwhile).
bool isAt(int fd, const QString &path);
// Renames from to to, replacing a file there; false with errno set.
bool replace(const QString &from, const QString &to);
// A replacement takes on the permissions (and, where allowed, the owner) of the file at path.
void keepAttributes(int fd, const QString &path);
// "path: reason" for a user, with errno's text, or what ELOOP and EINVAL mean here.
QString failure(const QString &path, int error);

} // namespace RegularFile

#endif // REGULARFILE_H
