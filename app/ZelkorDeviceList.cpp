#include "PortNameMap.h"
#include "RowState.h"
#include "Zelkor.h"

#include <QBrush>
#include <QDebug>
#include <QHash>
#include <QSignalBlocker>
#include <QTimer>
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

QList<QTreeWidgetItem *> topLevelRows(const QTreeWidget *tree)
{
    QList<QTreeWidgetItem *> rows;
    for (int index = 0; index < tree->topLevelItemCount(); ++index)
        rows.append(tree->topLevelItem(index));
    return rows;
}

bool rowFlag(const QTreeWidgetItem *row, RowRole role)
{
    return row->data(LocationColumn, role).toBool();
}

} // namespace

void Zelkor::setRowState(QTreeWidgetItem *item, int state)
{
    item->setData(LocationColumn, RowStateRole, state);
    const auto line =
        std::find_if(std::begin(RowStates), std::end(RowStates),
                     [state](const RowStateLine &known) { return known.state == state; });
    if (line == std::end(RowStates))
        return;
    item->setFlags(line->flags);
    item->setData(LocationColumn, ReplaceOnScanRole, line->replaceOnScan);
    item->setData(LocationColumn, KeepStatusRole, line->keepStatus);
}

bool Zelkor::withinQuietPeriod() const
{
    return lastJobTime.isValid() && lastJobTime.elapsed() < refreshTimer->interval();
}

void Zelkor::add_items(QStringList all_locations, QList<TDevices> devices)
{
    // A job slot is using the rows, or has just settled them: the next pass comes in a second.
    if (withinQuietPeriod() || busy)
        return;
    qDebug().noquote() << "Add items started";

    QTreeWidget *tree = ui.treeWidget;
    // Deleting and re-selecting rows must not reach selectionChanged.
    QSignalBlocker blockSelectionSignals(tree);
    QStringList selected;
    for (const QTreeWidgetItem *row : selectedRows()) {
        // Rows of running jobs are not enabled and get no job; their selection stays as it is.
        if (row->flags().testFlag(Qt::ItemIsEnabled))
            selected.append(row->text(LocationColumn));
    }
    tree->setUpdatesEnabled(false);

    const QList<QTreeWidgetItem *> rows = topLevelRows(tree);
    // A failure whose port is gone has nothing left to show.
    for (QTreeWidgetItem *row : rows) {
        if (row->data(LocationColumn, RowStateRole).toInt() == RowFailed
            && !all_locations.contains(row->text(LocationColumn)))
            setRowState(row, RowScanned);
    }

    QHash<QString, QString> keptStatus;
    QStringList keptLocations;
    for (QTreeWidgetItem *row : rows) {
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
        auto *row = new QTreeWidgetItem(tree);
        setRowState(row, RowScanned);
        row->setForeground(StatusColumn, QBrush(Qt::blue));
        row->setText(LocationColumn, device.location);
        row->setText(SerialColumn, device.serialNumber);
        row->setText(DescriptionColumn, device.description);
        row->setText(FirmwareColumn, device.firmwareVersion);
        row->setToolTip(LocationColumn, PortNameMap::instance().devicePath(device.location));
        const auto carried = keptStatus.constFind(device.location);
        if (carried != keptStatus.constEnd()) {
            row->setText(StatusColumn, *carried);
            row->setData(LocationColumn, KeepStatusRole, true);
        } else {
            row->setText(StatusColumn, device.status);
        }
        if (selected.contains(device.location))
            row->setSelected(true);
    }

    // One usable row in the old selection is enough here; selectionChanged is stricter.
    const bool enable = !selected.isEmpty();
    ui.updateBtn->setEnabled(enable);
    ui.calbBtn->setEnabled(enable);
    ui.calbAfterChk->setEnabled(enable);

    tree->setUpdatesEnabled(true);
    blockSelectionSignals.unblock();
    qDebug().noquote() << "Add items completed";
}
