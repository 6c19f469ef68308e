#ifndef DEVICELIST_H
#define DEVICELIST_H

#include "PortRefusal.h"
#include "RowState.h"
#include "TDevices.h"

#include <QList>
#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

// The window's device list: one row per device, rebuilt from every accepted scan, with the row
// states that jobs set deciding which rows a rebuild may replace.
class DeviceList
{
public:
    explicit DeviceList(QTreeWidget *tree);

    // Gives a row one of the RowState numbers: its flags and the roles that tell the rebuild
    // what to do with it. Another number is only stored. Texts stay as they are.
    // The Status column's icon follows the state, so that rows can be told apart at a glance.
    static void setRowState(QTreeWidgetItem *row, int state);
    static int rowState(const QTreeWidgetItem *row);

    // The Status text; it can always be read in full from the row's tooltip, which also keeps
    // the reason of a failure (empty: none) until the row is rebuilt from a fresh job or goes.
    static void setStatus(QTreeWidgetItem *row, const QString &text, const QString &reason = {});
    // A job ended well on a row whose state leaves it to the next scan.
    static void showSuccess(QTreeWidgetItem *row);

    // Replaces the scan rows with the devices of one pass and its refused ports, keeps the rows
    // of running jobs and of failures, carries kept Status texts over and restores the
    // selection, the current row and the scroll position. Answers whether the selection before
    // the rebuild held a usable row.
    bool rebuild(const QStringList &allLocations, const QList<TDevices> &devices,
                 const QList<PortRefusal> &refused = {});
    // True while some row stands for a device (refused ports are none).
    bool listsDevices() const;

    // The first row of the port, or nullptr.
    QTreeWidgetItem *row(const QString &location) const;
    // The rows the user has selected, as each row itself says. QTreeWidget::selectedItems() is
    // no help: it leaves out rows that are not enabled, yet a row whose job has cleared its
    // flags stays selected and must count; and after the list has been re-sorted it can name a
    // row that is not selected at all.
    QList<QTreeWidgetItem *> selectedRows() const;
    // True when rows are selected and every one of them is usable.
    bool selectionIsUsable() const;
    // A selected, usable row that may get a job.
    bool mayTakeJob(const QTreeWidgetItem *row) const;

private:
    QList<QTreeWidgetItem *> rows() const;
    QStringList usableSelectedLocations() const;
    void dropFailuresOfGonePorts(const QStringList &allLocations);
    struct CarriedStatus
    {
        QString text;
        QString toolTip;
    };
    // A scan row; carried, when given, replaces the device's own Status.
    QTreeWidgetItem *addRow(const TDevices &device, const CarriedStatus *carried);
    void addRefusedRow(const PortRefusal &refusal);
    void restoreCurrentRow(const QString &location);

    QTreeWidget *tree;
};

#endif // DEVICELIST_H
