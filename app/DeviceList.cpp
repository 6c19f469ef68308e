#include "DeviceList.h"

#include "PortNameMap.h"

#include <QBrush>
#include <QHash>
#include <QTreeWidget>
#include <QTreeWidgetItem>

#include <algorithm>
#include <iterator>

namespace {

struct RowStateLine
{
    int state;
    Qt::ItemFlags flags;
    bool replaceOnScan;
    bool keepStatus;
};

const Qt::ItemFlags Usable = Qt::ItemIsSelectable | Qt::ItemIsEnabled;

// Rows of running jobs and of finished updates cannot be selected, so no second job starts on
// them; failure rows keep their text until the scan may drop them.
// clang-format off
const RowStateLine RowStates[] = {
    {RowWarned,  Usable,          true,  true},
    {RowFailed,  Usable,          false, true},
    {RowScanned, Usable,          true,  false},
    {RowBusy,    Qt::NoItemFlags, false, true},
    {RowDone,    Qt::NoItemFlags, true,  false},
};
// clang-format on

bool rowFlag(const QTreeWidgetItem *row, RowRole role)
{
    return row->data(LocationColumn, role).toBool();
}

bool isUsable(const QTreeWidgetItem *row)
{
    return row->flags().testFlag(Qt::ItemIsEnabled);
}

} // namespace

DeviceList::DeviceList(QTreeWidget *tree) : tree(tree) { }

void DeviceList::setRowState(QTreeWidgetItem *row, int state)
{
    row->setData(LocationColumn, RowStateRole, state);
    const auto line =
        std::find_if(std::begin(RowStates), std::end(RowStates),
                     [state](const RowStateLine &known) { return known.state == state; });
    if (line == std::end(RowStates))
        return;
    row->setFlags(line->flags);
    row->setData(LocationColumn, ReplaceOnScanRole, line->replaceOnScan);
    row->setData(LocationColumn, KeepStatusRole, line->keepStatus);
}

int DeviceList::rowState(const QTreeWidgetItem *row)
{
    return row->data(LocationColumn, RowStateRole).toInt();
}

bool DeviceList::rebuild(const QStringList &allLocations, const QList<TDevices> &devices)
{
    // Rows of running jobs are not enabled and get no job; their selection stays as it is.
    const QStringList selected = usableSelectedLocations();
    tree->setUpdatesEnabled(false);
    dropFailuresOfGonePorts(allLocations);

    QHash<QString, QString> keptStatus;
    QStringList keptLocations;
    for (QTreeWidgetItem *row : rows()) {
        if (rowFlag(row, KeepStatusRole))
            keptStatus.insert(row->text(LocationColumn), row->text(StatusColumn));
        if (rowFlag(row, ReplaceOnScanRole))
            delete row;
        else
            keptLocations.append(row->text(LocationColumn));
    }

    for (const TDevices &device : devices) {
        // A running job or a failure owns this port's row.
        if (keptLocations.contains(device.location))
            continue;
        const auto carried = keptStatus.constFind(device.location);
        QTreeWidgetItem *row =
            addRow(device, carried != keptStatus.constEnd() ? &*carried : nullptr);
        if (selected.contains(device.location))
            row->setSelected(true);
    }
    tree->setUpdatesEnabled(true);
    return !selected.isEmpty();
}

// A failure whose port is gone has nothing left to show.
void DeviceList::dropFailuresOfGonePorts(const QStringList &allLocations)
{
    for (QTreeWidgetItem *row : rows()) {
        if (rowState(row) == RowFailed && !allLocations.contains(row->text(LocationColumn)))
            setRowState(row, RowScanned);
    }
}

QTreeWidgetItem *DeviceList::addRow(const TDevices &device, const QString *carriedStatus)
{
    auto *row = new QTreeWidgetItem(tree);
    setRowState(row, RowScanned);
    row->setForeground(StatusColumn, QBrush(Qt::blue));
    row->setText(LocationColumn, device.location);
    row->setText(SerialColumn, device.serialNumber);
    row->setText(DescriptionColumn, device.description);
    row->setText(FirmwareColumn, device.firmwareVersion);
    row->setToolTip(LocationColumn, PortNameMap::instance().devicePath(device.location));
    if (carriedStatus) {
        row->setText(StatusColumn, *carriedStatus);
        row->setData(LocationColumn, KeepStatusRole, true);
    } else {
        row->setText(StatusColumn, device.status);
    }
    return row;
}

QTreeWidgetItem *DeviceList::row(const QString &location) const
{
    const QList<QTreeWidgetItem *> found =
        tree->findItems(location, Qt::MatchExactly, LocationColumn);
    return found.isEmpty() ? nullptr : found.first();
}

QList<QTreeWidgetItem *> DeviceList::rows() const
{
    QList<QTreeWidgetItem *> all;
    for (int index = 0; index < tree->topLevelItemCount(); ++index)
        all.append(tree->topLevelItem(index));
    return all;
}

QList<QTreeWidgetItem *> DeviceList::selectedRows() const
{
    QList<QTreeWidgetItem *> selected = rows();
    selected.removeIf([](const QTreeWidgetItem *row) { return !row->isSelected(); });
    return selected;
}

QStringList DeviceList::usableSelectedLocations() const
{
    QStringList locations;
    for (const QTreeWidgetItem *row : selectedRows()) {
        if (isUsable(row))
            locations.append(row->text(LocationColumn));
    }
    return locations;
}

bool DeviceList::selectionIsUsable() const
{
    const QList<QTreeWidgetItem *> selected = selectedRows();
    // A row whose job is running has lost its flags; it must not get a second job.
    return !selected.isEmpty() && std::all_of(selected.cbegin(), selected.cend(), isUsable);
}

// Only a row the user sees selected gets a job. A row whose job runs, or whose update has just
// been confirmed, is not enabled and gets no second one. A row that was disabled while selected
// goes on calling itself selected after the user has selected other rows, even once it is
// enabled again (a failed job): the selection model, which the list is drawn from, knows better.
bool DeviceList::mayTakeJob(const QTreeWidgetItem *row) const
{
    return isUsable(row) && tree->selectionModel()->isSelected(tree->indexFromItem(row));
}
