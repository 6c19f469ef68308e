#include "JobWatch.h"

#include "PortNameMap.h"
#include "RowState.h"

#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

JobWatch::JobWatch(QTreeWidget *tree)
{
    QObject::connect(tree->model(), &QAbstractItemModel::dataChanged, tree,
                     [this, tree](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                         for (int index = topLeft.row(); index <= bottomRight.row(); ++index)
                             note(tree->topLevelItem(index));
                     });
}

QList<int> JobWatch::busyPorts() const
{
    QList<int> ports = since.keys();
    std::sort(ports.begin(), ports.end());
    return ports;
}

void JobWatch::printUnfinished() const
{
    for (int port : busyPorts())
        std::printf("UNFINISHED: the job on %s has run for %.1f s\n",
                    qPrintable(PortNameMap::portName(port)), since.value(port).elapsed() / 1000.0);
}

void JobWatch::note(const QTreeWidgetItem *row)
{
    if (!row)
        return;
    const int port = PortNameMap::portNumber(row->text(LocationColumn));
    const bool nowBusy = row->data(LocationColumn, RowStateRole).toInt() == RowBusy;
    if (nowBusy == since.contains(port))
        return;
    if (nowBusy) {
        ++started;
        since[port].start();
    } else {
        ++ended;
        longestMs = std::max(longestMs, since.take(port).elapsed());
    }
}
