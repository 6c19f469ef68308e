#ifndef ATOMICFILE_H
#define ATOMICFILE_H

#include <QByteArray>
#include <QString>

#include <functional>

// Replaces a whole file at once: the new contents go into a file of their own beside it, on
// disk before that file takes the old one's place, so a full disk, a failing one or a crash
// leaves the old bytes as they were, never a half-written file. A symbolic link in the file's
// place is refused (RegularFile).
namespace AtomicFile {

// Looks at the new file before it takes the old one's place: false, with the reason in error,
// keeps the old one.
using Check = std::function<bool(const QString &newFile, QString *error)>;

// False, with "path: reason" in error, when the old file stays.
bool replace(const QString &path, const QByteArray &contents, QString *error,
             const Check &check = {});

} // namespace AtomicFile

#endif // ATOMICFILE_H
