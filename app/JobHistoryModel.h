#ifndef JOBHISTORYMODEL_H
#define JOBHISTORYMODEL_H

#include "JobKind.h"
#include "JobRecord.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The jobs of this session, newest first: when, which device, what it ran before and after,
// how the job went and what to do next. Unlike the rows of the device list, an entry stays when
// its device is pulled or its row is rebuilt.
class JobHistoryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        TimeColumn,
        PortColumn,
        SerialColumn,
        SerialAfterColumn,
        BeforeColumn,
        AfterColumn,
        JobColumn,
        ResultColumn,
        ReasonColumn,
        ColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    void addJob(const JobRecord &record);
    // A selected device that could take no job: the port, and why not.
    void addNotStarted(const QString &port, JobKind kind, const QString &reason);
    // The job's record has become complete: the firmware and serial number its update left are
    // known now.
    void complete(const JobRecord &record);
    void clear();
    // The entries of the rows given, all of them for none, under a header line, as CSV.
    QByteArray csv(const QList<int> &rows = {}) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    enum class Outcome { Succeeded, Failed, NotStarted };

    struct Entry
    {
        QDateTime time;
        QString port;
        QString serialNumber;
        QString serialAfter;
        QString firmwareBefore;
        QString firmwareAfter;
        JobKind kind = JobKind::Update;
        Outcome outcome = Outcome::Succeeded;
        QString result;
        QString reason;
    };

    void add(const Entry &entry);
    static QString text(const Entry &entry, int column);

    QList<Entry> entries;
};

#endif // JOBHISTORYMODEL_H
