#include "AtomicFile.h"

#include "RegularFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A new file gets what the user's umask leaves of this.
constexpr mode_t NewFileMode = 0666;
constexpr int NameAttempts = 100;

// A new file beside path, which no one else has: -1 with errno set when none can be made.
int createDraft(const QByteArray &path, QByteArray *draft)
{
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        *draft = path + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(draft->constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, NewFileMode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The replacement keeps the old file's permissions and, where the user may give them, its owner:
// root saving a user's file must not take it from them.
void keepAttributes(int fd, const struct stat &old)
{
    ::fchmod(fd, old.st_mode & 07777);
    [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
}

} // namespace

bool AtomicFile::replace(const QString &path, const QByteArray &contents, QString *error,
                         const Check &check)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat old;
    const bool exists = ::lstat(name.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        *error = RegularFile::failure(path, S_ISLNK(old.st_mode) ? ELOOP : EINVAL);
        return false;
    }
    QByteArray draft;
    const int fd = createDraft(name, &draft);
    if (fd < 0) {
        *error = RegularFile::failure(path, errno);
        return false;
    }
    if (exists)
        keepAttributes(fd, old);
    // Every step that can fail on a full or failing disk is checked: the write, the flush to
    // disk, the close (where some file systems report the write's failure).
    bool ok = RegularFile::writeAll(fd, contents) && ::fsync(fd) == 0;
    int reason = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        reason = errno;
    }
    if (!ok)
        *error = RegularFile::failure(path, reason);
    ok = ok && (!check || check(QFile::decodeName(draft), error));
    // rename() replaces a link that appeared meanwhile instead of writing through it.
    if (ok && ::rename(draft.constData(), name.constData()) != 0) {
        ok = false;
        *error = RegularFile::failure(path, errno);
    }
    if (!ok) {
        ::unlink(draft.constData());
        return false;
    }
    RegularFile::syncFolder(path);
    return true;
}
