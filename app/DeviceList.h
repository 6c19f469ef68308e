#ifndef DEVICELIST_H
#define DEVICELIST_H

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
    static void setRowState(QTreeWidgetItem *row, int state);
    static int rowState(const QTreeWidgetItem *row);

    // Replaces the scan rows with the devices of one pass, keeps the rows of running jobs and of
    // failures, carries kept Status texts over and restores the selection. Answers whether the
    // selection before the rebuild held a usable row.
    bool rebuild(const QStringList &allLocations, const QList<TDevices> &devices);

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
    // A scan row; carriedStatus, when given, replaces the device's own Status text.
    QTreeWidgetItem *addRow(const TDevices &device, const QString *carriedStatus);

    QTreeWidget *tree;
};

#endif // DEVICELIST_H
