#include "JobHistoryModel.h"

#include "JobLog.h"
#include "JobOutcome.h"
#include "StatusIcons.h"

#include <QIcon>
#include <QStringList>

namespace {

const QString CsvTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString TimeFormat = QStringLiteral("HH:mm:ss");

} // namespace

void JobHistoryModel::addJob(const JobRecord &record)
{
    Entry entry;
    entry.time = record.time;
    entry.port = record.port;
    entry.serialNumber = record.serialNumber;
    entry.serialAfter = record.serialAfter;
    entry.firmwareBefore = record.firmwareBefore;
    entry.firmwareAfter = record.firmwareAfter;
    entry.kind = record.kind;
    entry.outcome = JobOutcome::succeeded(record) ? Outcome::Succeeded : Outcome::Failed;
    entry.result = JobOutcome::result(record);
    entry.reason = JobOutcome::reason(record);
    add(entry);
}

void JobHistoryModel::addNotStarted(const QString &port, JobKind kind, const QString &reason)
{
    Entry entry;
    entry.time = QDateTime::currentDateTime();
    entry.port = port;
    entry.kind = kind;
    entry.outcome = Outcome::NotStarted;
    entry.result = tr("Not started");
    entry.reason = reason;
    add(entry);
}

void JobHistoryModel::add(const Entry &entry)
{
    beginInsertRows({}, 0, 0);
    entries.prepend(entry);
    endInsertRows();
}

// A later job on the same port has an entry of its own: the time tells them apart.
void JobHistoryModel::complete(const JobRecord &record)
{
    for (int row = 0; row < entries.size(); ++row) {
        Entry &entry = entries[row];
        if (entry.port == record.port && entry.time == record.time
            && entry.outcome != Outcome::NotStarted) {
            entry.firmwareAfter = record.firmwareAfter;
            entry.serialAfter = record.serialAfter;
            emit dataChanged(index(row, SerialAfterColumn), index(row, AfterColumn));
            return;
        }
    }
}

void JobHistoryModel::clear()
{
    beginResetModel();
    entries.clear();
    endResetModel();
}

QByteArray JobHistoryModel::csv(const QList<int> &rows) const
{
    QStringList header;
    for (int column = 0; column < ColumnCount; ++column)
        header << headerData(column, Qt::Horizontal).toString();
    QByteArray text = JobLog::textRow(header);
    for (int row = 0; row < entries.size(); ++row) {
        if (!rows.isEmpty() && !rows.contains(row))
            continue;
        const Entry &entry = entries.at(row);
        QStringList fields {entry.time.toString(CsvTimeFormat)};
        for (int column = PortColumn; column < ColumnCount; ++column)
            fields << JobHistoryModel::text(entry, column);
        text += JobLog::textRow(fields);
    }
    return text;
}

int JobHistoryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(entries.size());
}

int JobHistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant JobHistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= entries.size())
        return {};
    const Entry &entry = entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return text(entry, index.column());
    case Qt::DecorationRole:
        if (index.column() != ResultColumn)
            return {};
        return StatusIcons::icon(entry.outcome == Outcome::Succeeded ? StatusIcons::Done
                                     : entry.outcome == Outcome::Failed ? StatusIcons::Failed
                                                                        : StatusIcons::Refused);
    default:
        return {};
    }
}

QString JobHistoryModel::text(const Entry &entry, int column)
{
    switch (column) {
    case TimeColumn:
        return entry.time.toString(TimeFormat);
    case PortColumn:
        return entry.port;
    case SerialColumn:
        return entry.serialNumber;
    case SerialAfterColumn:
        return entry.serialAfter;
    case BeforeColumn:
        return entry.firmwareBefore;
    case AfterColumn:
        return entry.firmwareAfter;
    case JobColumn:
        return JobOutcome::jobName(entry.kind);
    case ResultColumn:
        return entry.result;
    case ReasonColumn:
        return entry.reason;
    }
    return QString();
}

QVariant JobHistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TimeColumn:
        return tr("Time");
    case PortColumn:
        return tr("Port");
    case SerialColumn:
        return tr("Serial number");
    case SerialAfterColumn:
        return tr("Serial after");
    case BeforeColumn:
        return tr("Firmware before");
    case AfterColumn:
        return tr("Firmware after");
    case JobColumn:
        return tr("Job");
    case ResultColumn:
        return tr("Result");
    case ReasonColumn:
        return tr("Reason and what to do");
    }
    return {};
}
