#ifndef SCANLINKS_H
#define SCANLINKS_H

#include <QMutex>
#include <QStringList>

#include <memory>
#include <vector>

class ComPort;

// The links of a scan pass, one for each port being talked to, and the ports that jobs have
// taken from the scan. An exclusion reaches every link: those in use are told and, if one holds
// the port, closed; links made later refuse the port from the start.
//
// Threads: every member may be called from any thread at any time.
class ScanLinks
{
public:
    // A new, closed link that refuses the excluded ports; it answers for usesPort and takes
    // exclusions until retire().
    std::shared_ptr<ComPort> add();
    // The link leaves the set; it closes when its last holder drops it.
    void retire(const std::shared_ptr<ComPort> &link);

    // Once this returns, no link of the set holds the port or will open it: a link busy with
    // the port is closed after the exchange in progress.
    void excludePort(const QString &name);
    // Removes every exclusion of that name.
    void releasePort(const QString &name);
    // True while some link holds this port or is trying it.
    bool usesPort(const QString &name) const;
    // Closes every link, each after its exchange in progress.
    void closeAll();

private:
    mutable QMutex mutex;
    QStringList excluded;
    std::vector<std::shared_ptr<ComPort>> links;
};

#endif // SCANLINKS_H
