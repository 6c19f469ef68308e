#ifndef REGULARFILE_H
#define REGULARFILE_H

#include <QFile>
#include <QString>

// Opens files that must be regular files: a firmware file, the job log. A FIFO would block
// open() until its other end appears, and a FIFO or a device such as /dev/zero would never
// end a read; a path that names one, by mistake or on purpose, must not hang the program.
// Nothing but a regular file is opened, and the open itself never waits.
namespace RegularFile {

// A descriptor (O_CLOEXEC) of the regular file at path opened with flags; -1 with errno set
// otherwise (EINVAL for anything but a regular file).
int open(const QString &path, int flags);
// file opened read-only in mode on the regular file at its name; false otherwise.
bool openForReading(QFile &file, QIODevice::OpenMode mode = QIODevice::ReadOnly);

} // namespace RegularFile

#endif // REGULARFILE_H
