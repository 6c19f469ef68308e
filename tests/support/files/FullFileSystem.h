#ifndef FULLFILESYSTEM_H
#define FULLFILESYSTEM_H

#include <QString>
#include <QTemporaryDir>

#include <sys/resource.h>

// A scratch folder whose file system can be filled up: a small tmpfs mounted on it where the
// test may mount one (as root), else the folder as it is with a limit on the size of the files
// this process, and the programs it starts meanwhile, write (RLIMIT_FSIZE). Once full, no file
// can grow past the end of the block its last byte lies in; a new one gets no byte (tmpfs) or
// at most a block (the limit). A write that crosses a block's end stops there and then fails,
// as on a full disk.
class FullFileSystem
{
public:
    static constexpr qint64 BlockSize = 4096;

    FullFileSystem();
    ~FullFileSystem();
    FullFileSystem(const FullFileSystem &) = delete;
    FullFileSystem &operator=(const FullFileSystem &) = delete;

    bool isValid() const;
    QString path() const { return folder.path(); }
    QString filePath(const QString &name) const { return folder.filePath(name); }

    bool fill();
    void makeRoom();

private:
    QTemporaryDir folder;
    bool mounted = false;
    bool limited = false;
    struct rlimit previousLimit = {};
};

#endif // FULLFILESYSTEM_H
