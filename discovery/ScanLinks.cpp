#include "ScanLinks.h"

#include "ComPort.h"

#include <QMutexLocker>

#include <algorithm>

std::shared_ptr<ComPort> ScanLinks::add()
{
    auto link = std::make_shared<ComPort>();
    // Under the lock, so that an exclusion either finds the link in the set or is in the list
    // the link starts with.
    QMutexLocker locker(&mutex);
    for (const QString &name : std::as_const(excluded))
        link->addExcludedPort(name);
    links.push_back(link);
    return link;
}

void ScanLinks::retire(const std::shared_ptr<ComPort> &link)
{
    QMutexLocker locker(&mutex);
    links.erase(std::remove(links.begin(), links.end(), link), links.end());
}

void ScanLinks::excludePort(const QString &name)
{
    std::vector<std::shared_ptr<ComPort>> told;
    {
        QMutexLocker locker(&mutex);
        excluded.append(name);
        for (const auto &link : links)
            link->addExcludedPort(name);
        told = links;
    }
    // Outside the lock: a close waits for the exchange in progress, and the other ports' links
    // must meanwhile come and go. Each link now refuses the port, so one that does not hold it
    // at this check never will.
    for (const auto &link : told) {
        if (link->usesPort(name))
            link->close();
    }
}

void ScanLinks::releasePort(const QString &name)
{
    QMutexLocker locker(&mutex);
    excluded.removeAll(name);
    for (const auto &link : links)
        link->removeExcludedPort(name);
}

bool ScanLinks::usesPort(const QString &name) const
{
    QMutexLocker locker(&mutex);
    return std::any_of(links.begin(), links.end(),
                       [&name](const auto &link) { return link->usesPort(name); });
}

void ScanLinks::closeAll()
{
    std::vector<std::shared_ptr<ComPort>> open;
    {
        QMutexLocker locker(&mutex);
        open = links;
    }
    for (const auto &link : open)
        link->close();
}
