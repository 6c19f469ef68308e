#include "AtomicFile.h"

#include "RegularFile.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A new file gets what the user's umask leaves of this.
constexpr mode_t NewFileMode = 0666;
constexpr int NameAttempts = 100;

// A new file beside path, which no one else has: -1 with errno set when none can be made.
int createDraft(const QString &path, QString *draft)
{
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        *draft = path + QLatin1Char('.')
            + QString::number(QRandomGenerator::global()->generate(), 36);
        const int fd = RegularFile::openOwnFile(*draft, O_WRONLY | O_CREAT | O_EXCL, NewFileMode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

bool AtomicFile::replace(const QString &path, const QByteArray &contents, QString *error,
                         const Check &check)
{
    const RegularFile::Kind kind = RegularFile::kindAt(path);
    if (kind == RegularFile::Kind::Link || kind == RegularFile::Kind::Other) {
        *error = RegularFile::failure(path, kind == RegularFile::Kind::Link ? ELOOP : EINVAL);
        return false;
    }
    QString draft;
    const int fd = createDraft(path, &draft);
    if (fd < 0) {
        *error = RegularFile::failure(path, errno);
        return false;
    }
    if (kind == RegularFile::Kind::Regular)
        RegularFile::keepAttributes(fd, path);
    // Every step that can fail on a full or failing disk is checked: the write, the flush to
    // disk, the close (where some file systems report the write's failure).
    bool ok = RegularFile::writeAll(fd, contents) && RegularFile::sync(fd);
    int reason = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        reason = errno;
    }
    if (!ok)
        *error = RegularFile::failure(path, reason);
    ok = ok && (!check || check(draft, error));
    // The rename replaces a link that appeared meanwhile instead of writing through it.
    if (ok && !RegularFile::replace(draft, path)) {
        ok = false;
        *error = RegularFile::failure(path, errno);
    }
    if (!ok) {
        QFile::remove(draft);
        return false;
    }
    RegularFile::syncFolder(path);
    return true;
}
