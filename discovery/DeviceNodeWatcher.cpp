#include "DeviceNodeWatcher.h"

#include "PortNameMap.h"

#include <QDir>

DeviceNodeWatcher::DeviceNodeWatcher(const QStringList &folders, QObject *parent)
    : QObject(parent), folders(folders)
{
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &DeviceNodeWatcher::look);
    look();
}

void DeviceNodeWatcher::look()
{
    for (const QString &folder : folders) {
        if (!watcher.directories().contains(folder) && QDir(folder).exists())
            watcher.addPath(folder);
    }
    const QSet<QString> now = entries();
    for (const QString &path : now) {
        if (known.contains(path))
            continue;
        const QString name = PortNameMap::instance().portNameAt(path);
        if (!name.isEmpty())
            emit portAppeared(name);
    }
    known = now;
}

QSet<QString> DeviceNodeWatcher::entries() const
{
    QSet<QString> paths;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        const QStringList names =
            dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &name : names)
            paths.insert(dir.filePath(name));
    }
    return paths;
}
