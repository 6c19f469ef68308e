#include "DeviceList.h"

#include "JobResultText.h"
#include "PortNameMap.h"
#include "RefusalText.h"
#include "StatusIcons.h"
#include "TextContrast.h"

#include <QBrush>
#include <QHeaderView>
#include <QScrollBar>
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
    {RowRefused, Qt::NoItemFlags, true,  false},
};
// clang-format on

// At least what the columns' contents need; a header that needs more gets more.
constexpr int ColumnWidths[ColumnCount] = {100, 110, 80, 110, 120, 160};

// Sorting by Location follows the port number: \\.\COM2 before \\.\COM10.
class DeviceRow : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;

    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : LocationColumn;
        if (column != LocationColumn)
            return QTreeWidgetItem::operator<(other);
        const int mine = PortNameMap::portNumber(text(LocationColumn));
        const int theirs = PortNameMap::portNumber(other.text(LocationColumn));
        return mine != theirs ? mine < theirs : QTreeWidgetItem::operator<(other);
    }
};

bool rowFlag(const QTreeWidgetItem *row, RowRole role)
{
    return row->data(LocationColumn, role).toBool();
}

// A refused row may be enabled only to keep its selection (addRefusedRow); it takes no job.
bool isUsable(const QTreeWidgetItem *row)
{
    return row->flags().testFlag(Qt::ItemIsEnabled) && DeviceList::rowState(row) != RowRefused;
}

QString mark(const QTreeWidgetItem *row)
{
    return row->data(LocationColumn, MarkRole).toString();
}

StatusIcons::Kind iconKind(const QTreeWidgetItem *row)
{
    switch (DeviceList::rowState(row)) {
    case RowBusy:
        return StatusIcons::Busy;
    case RowRefused:
        return StatusIcons::Refused;
    case RowWarned:
    case RowFailed:
        return StatusIcons::Failed;
    case RowDone:
        return StatusIcons::Done;
    default:
        break;
    }
    if (!mark(row).isEmpty())
        return rowFlag(row, MarkSucceededRole) ? StatusIcons::Done : StatusIcons::Failed;
    // A carried text is a failure's.
    if (rowFlag(row, KeepStatusRole))
        return StatusIcons::Failed;
    switch (DeviceFields::Mode(row->data(LocationColumn, ModeRole).toInt())) {
    case DeviceFields::Mode::Loader:
        return StatusIcons::Loader;
    case DeviceFields::Mode::Isp:
        return StatusIcons::Isp;
    case DeviceFields::Mode::Firmware:
        break;
    }
    return StatusIcons::Ready;
}

QPalette paletteOf(const QTreeWidgetItem *row)
{
    return row->treeWidget() ? row->treeWidget()->palette() : QPalette();
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
    showState(row);
}

int DeviceList::rowState(const QTreeWidgetItem *row)
{
    return row->data(LocationColumn, RowStateRole).toInt();
}

void DeviceList::setStatus(QTreeWidgetItem *row, const QString &text, const QString &detail)
{
    row->setText(StatusColumn, text);
    row->setData(LocationColumn, DetailRole, detail);
    showState(row);
}

// Rows that take no job are drawn dimmed, yet readable: the style's own disabled text is too
// faint to read a serial number by. The Status column keeps its own colour.
void DeviceList::showState(QTreeWidgetItem *row)
{
    row->setIcon(StatusColumn, StatusIcons::icon(iconKind(row)));
    const QVariant foreground = isUsable(row)
        ? QVariant()
        : QVariant(QBrush(TextContrast::dimmedText(paletteOf(row))));
    for (int column = 0; column < ColumnCount; ++column) {
        if (column != StatusColumn)
            row->setData(column, Qt::ForegroundRole, foreground);
    }

    // A refusal's advice says all its Status text says, and more.
    QStringList lines {rowState(row) == RowRefused ? QString() : row->text(StatusColumn),
                       row->data(LocationColumn, DetailRole).toString()};
    if (rowState(row) != RowBusy && rowState(row) != RowRefused)
        lines << mark(row);
    lines.removeAll(QString());
    const QString toolTip = lines.join(QLatin1Char('\n'));
    // A device's Location tells its device path, as it always did; a refused port's says why.
    const int first = rowState(row) == RowRefused ? LocationColumn : SerialColumn;
    for (int column = first; column <= StatusColumn; ++column)
        row->setToolTip(column, toolTip);
    row->setData(StatusColumn, Qt::AccessibleDescriptionRole, toolTip);
}

void DeviceList::applyMark(QTreeWidgetItem *row, const JobMark *mark)
{
    row->setData(LocationColumn, MarkRole, mark ? mark->text : QString());
    row->setData(LocationColumn, MarkSucceededRole, mark && mark->succeeded);
    showState(row);
}

void DeviceList::setMark(const QString &location, const JobMark &mark)
{
    marks.insert(location, mark);
    if (QTreeWidgetItem *found = row(location))
        applyMark(found, &mark);
}

void DeviceList::updateMark(const QString &location, const JobMark &mark)
{
    const auto current = marks.constFind(location);
    if (current != marks.constEnd() && current->jobTime == mark.jobTime)
        setMark(location, mark);
}

void DeviceList::clearMark(const QString &location)
{
    marks.remove(location);
    QTreeWidgetItem *found = row(location);
    if (found && !mark(found).isEmpty())
        applyMark(found, nullptr);
}

void DeviceList::clearMarks()
{
    marks.clear();
    for (QTreeWidgetItem *each : rows())
        applyMark(each, nullptr);
}

void DeviceList::fitColumns()
{
    const QHeaderView *header = tree->header();
    for (int column = 0; column < ColumnCount; ++column)
        tree->setColumnWidth(column,
                             std::max(ColumnWidths[column], header->sectionSizeHint(column)));
    // A failed job's Status text is read at a glance too, beside its icon.
    const JobResult::Code failures[] = {JobResult::PortCantOpen, JobResult::ScalFailed};
    QList<QTreeWidgetItem *> probes;
    for (JobResult::Code failure : failures) {
        probes.append(new DeviceRow(tree));
        probes.last()->setIcon(StatusColumn, StatusIcons::icon(StatusIcons::Failed));
        probes.last()->setText(StatusColumn, JobResultText::rowText(failure));
    }
    const int least = tree->columnWidth(StatusColumn);
    tree->resizeColumnToContents(StatusColumn);
    tree->setColumnWidth(StatusColumn, std::max(least, tree->columnWidth(StatusColumn)));
    qDeleteAll(probes);
}

QSize DeviceList::sizeShowing(int rows) const
{
    // A row as the scans make them: a text beside an icon.
    auto *probe = new DeviceRow(tree);
    probe->setText(LocationColumn, QStringLiteral("\\\\.\\COM1"));
    probe->setIcon(StatusColumn, StatusIcons::icon(StatusIcons::Ready));
    const int rowHeight = tree->sizeHintForRow(tree->indexOfTopLevelItem(probe));
    delete probe;
    int width = 0;
    for (int column = 0; column < ColumnCount; ++column)
        width += tree->columnWidth(column);
    const int frame = 2 * tree->frameWidth();
    return {width + frame, tree->header()->sizeHint().height() + rows * rowHeight + frame};
}

bool DeviceList::rebuild(const QStringList &allLocations, const QList<TDevices> &devices,
                         const QList<PortRefusal> &refused)
{
    const QStringList selected = selectionToKeep();
    const QTreeWidgetItem *currentRow = tree->currentItem();
    const QString current = currentRow ? currentRow->text(LocationColumn) : QString();
    const int scrolled = tree->verticalScrollBar()->value();
    tree->setUpdatesEnabled(false);
    dropFailuresOfGonePorts(allLocations);

    QHash<QString, CarriedStatus> keptStatus;
    QStringList keptLocations;
    for (QTreeWidgetItem *row : rows()) {
        if (rowFlag(row, KeepStatusRole))
            keptStatus.insert(row->text(LocationColumn),
                              {row->text(StatusColumn), row->data(LocationColumn, DetailRole)
                                                            .toString()});
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
    for (const PortRefusal &refusal : refused) {
        if (!keptLocations.contains(refusal.portName))
            addRefusedRow(refusal, selected.contains(refusal.portName));
    }
    // A mark belongs to the device that did the job: once its row has gone, the next device on
    // the port must not show it.
    for (const QString &location : marks.keys()) {
        if (!row(location))
            marks.remove(location);
    }
    restoreCurrentRow(current);
    tree->verticalScrollBar()->setValue(scrolled);
    tree->setUpdatesEnabled(true);
    return !selected.isEmpty();
}

// The keyboard cursor stays on its device; the selection is left as it is.
void DeviceList::restoreCurrentRow(const QString &location)
{
    if (QTreeWidgetItem *found = location.isNull() ? nullptr : row(location))
        tree->selectionModel()->setCurrentIndex(tree->indexFromItem(found),
                                                QItemSelectionModel::NoUpdate);
}

// A failure whose port is gone has nothing left to show.
void DeviceList::dropFailuresOfGonePorts(const QStringList &allLocations)
{
    for (QTreeWidgetItem *row : rows()) {
        if (rowState(row) == RowFailed && !allLocations.contains(row->text(LocationColumn)))
            setRowState(row, RowScanned);
    }
}

QTreeWidgetItem *DeviceList::addRow(const TDevices &device, const CarriedStatus *carried)
{
    auto *row = new DeviceRow(tree);
    row->setData(LocationColumn, ModeRole, int(device.fields.mode));
    setRowState(row, RowScanned);
    row->setForeground(StatusColumn, QBrush(Qt::blue));
    row->setText(LocationColumn, device.location);
    row->setText(SerialColumn, device.serialNumber);
    row->setText(DescriptionColumn, device.description);
    row->setText(FirmwareColumn, device.firmwareVersion);
    const QString path = PortNameMap::instance().devicePath(device.location);
    row->setText(DevicePathColumn, path);
    row->setToolTip(LocationColumn, path);
    row->setToolTip(DevicePathColumn, path);
    const auto marked = marks.constFind(device.location);
    applyMark(row, marked != marks.constEnd() ? &*marked : nullptr);
    if (carried) {
        row->setData(LocationColumn, KeepStatusRole, true);
        setStatus(row, carried->text, carried->detail);
    } else {
        setStatus(row, device.status);
    }
    return row;
}

// A row refused only for a moment (another program's probe, say) keeps the user's selection:
// it stays selectable, which the selection model grants enabled rows alone, but takes no job,
// and the device comes back selected with the next scan that opens its port.
void DeviceList::addRefusedRow(const PortRefusal &refusal, bool keepSelected)
{
    auto *row = new DeviceRow(tree);
    setRowState(row, RowRefused);
    row->setText(LocationColumn, refusal.portName);
    row->setText(DevicePathColumn, refusal.devicePath);
    row->setToolTip(DevicePathColumn, refusal.devicePath);
    row->setForeground(StatusColumn, TextContrast::dimmedText(tree->palette()));
    setStatus(row, RefusalText::status(refusal), RefusalText::advice(refusal));
    if (keepSelected) {
        row->setFlags(Usable);
        row->setSelected(true);
    }
}

bool DeviceList::listsDevices() const
{
    const QList<QTreeWidgetItem *> all = rows();
    return std::any_of(all.cbegin(), all.cend(),
                       [](const QTreeWidgetItem *row) { return rowState(row) != RowRefused; });
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

// Rows of running jobs are not enabled and get no job; their selection stays as it is.
QStringList DeviceList::selectionToKeep() const
{
    QStringList locations;
    for (const QTreeWidgetItem *row : selectedRows()) {
        if (isUsable(row) || isRefusedSelection(row))
            locations.append(row->text(LocationColumn));
    }
    return locations;
}

bool DeviceList::selectionIsUsable() const
{
    const QList<QTreeWidgetItem *> selected = selectedRows();
    // A row whose job is running has lost its flags; it must not get a second job. A row
    // refused for a moment is as usable as the rebuild found it: a job started on it is
    // reported as not started.
    return !selected.isEmpty()
        && std::all_of(selected.cbegin(), selected.cend(), [this](const QTreeWidgetItem *row) {
               return isUsable(row) || isRefusedSelection(row);
           });
}

// Only a row the user sees selected gets a job. A row whose job runs, or whose update has just
// been confirmed, is not enabled and gets no second one. A row that was disabled while selected
// goes on calling itself selected after the user has selected other rows, even once it is
// enabled again (a failed job): the selection model, which the list is drawn from, knows better.
bool DeviceList::mayTakeJob(const QTreeWidgetItem *row) const
{
    return isUsable(row) && tree->selectionModel()->isSelected(tree->indexFromItem(row));
}

bool DeviceList::isRefusedSelection(const QTreeWidgetItem *row) const
{
    return rowState(row) == RowRefused
        && tree->selectionModel()->isSelected(tree->indexFromItem(row));
}
