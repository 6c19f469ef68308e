#ifndef JOBWATCH_H
#define JOBWATCH_H

#include <QElapsedTimer>
#include <QHash>
#include <QList>

class QTreeWidget;
class QTreeWidgetItem;

// Jobs as the rows show them: a job starts when its row turns busy and ends when the row
// leaves that state. A busy row is never rebuilt by the scan, so no job is lost that way.
class JobWatch
{
public:
    explicit JobWatch(QTreeWidget *tree);

    int started = 0;
    int ended = 0;
    qint64 longestMs = 0;

    int running() const { return int(since.size()); }
    bool busy(int port) const { return since.contains(port); }
    // Sorted by port number.
    QList<int> busyPorts() const;
    void printUnfinished() const;

private:
    void note(const QTreeWidgetItem *row);

    QHash<int, QElapsedTimer> since;
};

#endif // JOBWATCH_H
