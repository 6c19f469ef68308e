#include "FullFileSystem.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr char FillerName[] = ".filler";
// Room for the files a test writes before it fills the rest.
constexpr char MountOptions[] = "size=64k,mode=0755";

} // namespace

FullFileSystem::FullFileSystem()
{
    const QByteArray where = QFile::encodeName(folder.path());
    mounted =
        folder.isValid() && ::mount("tmpfs", where.constData(), "tmpfs", 0, MountOptions) == 0;
}

FullFileSystem::~FullFileSystem()
{
    makeRoom();
    if (mounted)
        ::umount2(QFile::encodeName(folder.path()).constData(), MNT_DETACH);
}

bool FullFileSystem::isValid() const
{
    return folder.isValid();
}

bool FullFileSystem::fill()
{
    if (!mounted) {
        // The write past the limit fails with EFBIG instead of ending the program.
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {};
        if (limited || ::getrlimit(RLIMIT_FSIZE, &previousLimit) != 0)
            return limited;
        limit = previousLimit;
        limit.rlim_cur = rlim_t(BlockSize);
        limited = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
        return limited;
    }
    QFile filler(filePath(QLatin1String(FillerName)));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const QByteArray block(int(BlockSize), 'f');
    while (filler.write(block) == block.size()) { }
    return true;
}

void FullFileSystem::makeRoom()
{
    if (limited)
        ::setrlimit(RLIMIT_FSIZE, &previousLimit);
    limited = false;
    QFile::remove(filePath(QLatin1String(FillerName)));
}
