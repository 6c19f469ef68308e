#ifndef DEVICELIST_H
#define DEVICELIST_H

#include "PortRefusal.h"
#include "RowState.h"
#include "TDevices.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;

// The mark a row keeps of its last job, shown by its Status icon and tooltip.
struct JobMark
{
    bool succeeded = false;
    QString text;
    // When the job ended: tells the job's mark from a later one's.
    QDateTime jobTime;
};

// The window's device list: one row per device, rebuilt from every accepted scan, with the row
// states that jobs set deciding which rows a rebuild may replace.
class DeviceList
{
public:
    explicit DeviceList(QTreeWidget *tree);

    // Gives a row one of the RowState numbers: its flags and the roles that tell the rebuild
    // what to do with it. Another number is only stored. Texts stay as they are.
    // The row's icon, colours and tooltip follow the state, so that rows can be told apart at a
    // glance, and rows that take no job stay readable.
    static void setRowState(QTreeWidgetItem *row, int state);
    static int rowState(const QTreeWidgetItem *row);

    // The Status text, and what it leaves out (empty: nothing): both can always be read in the
    // row's tooltip and by a screen reader, until the row is rebuilt from a fresh job or goes.
    static void setStatus(QTreeWidgetItem *row, const QString &text, const QString &detail = {});

    // The mark of the last job on the port: it stays through the rebuilds until a new job
    // starts there, the marks are cleared or the port's device goes from the list.
    void setMark(const QString &location, const JobMark &mark);
    // Replaces the port's mark of the same job (now known in full), never a later one's.
    void updateMark(const QString &location, const JobMark &mark);
    void clearMark(const QString &location);
    void clearMarks();

    // Sets the columns' widths, wide enough for their headers in the language on screen.
    void fitColumns();
    // The size the list needs to show that many rows and its columns whole.
    QSize sizeShowing(int rows) const;

    // Replaces the scan rows with the devices of one pass and its refused ports, keeps the rows
    // of running jobs and of failures, carries kept Status texts over and restores the
    // selection, the current row and the scroll position. A selected row whose port another
    // program holds for a moment stays selected. Answers whether the selection before the
    // rebuild held a row that can take a job now or in a moment.
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
    // True when rows are selected and every one of them is usable or refused for a moment.
    bool selectionIsUsable() const;
    // A selected, usable row that may get a job.
    bool mayTakeJob(const QTreeWidgetItem *row) const;
    // A selected row whose port was refused when the list was last rebuilt: no job can start
    // on it now, and the user is to hear so.
    bool isRefusedSelection(const QTreeWidgetItem *row) const;

private:
    QList<QTreeWidgetItem *> rows() const;
    QStringList selectionToKeep() const;
    void dropFailuresOfGonePorts(const QStringList &allLocations);
    struct CarriedStatus
    {
        QString text;
        QString detail;
    };
    // A scan row; carried, when given, replaces the device's own Status.
    QTreeWidgetItem *addRow(const TDevices &device, const CarriedStatus *carried);
    void addRefusedRow(const PortRefusal &refusal, bool keepSelected);
    void restoreCurrentRow(const QString &location);
    static void applyMark(QTreeWidgetItem *row, const JobMark *mark);
    // Icon, colours, tooltips and the screen reader's description, from the row's roles.
    static void showState(QTreeWidgetItem *row);

    QTreeWidget *tree;
    QHash<QString, JobMark> marks;
};

#endif // DEVICELIST_H
