#include "DeviceList.h"

#include "PortNameMap.h"
#include "RefusalText.h"

#include <QBrush>
#include <QHash>
#include <QPainter>
#include <QPixmap>
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

enum class StatusKind { Ready, Progress, Success, Failure, Refused };

// A coloured disc with a mark of its own, so that the kinds differ in shape as well as colour.
QIcon drawStatusIcon(StatusKind kind)
{
    constexpr int Size = 16;
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colours[] = {QColor(0x4a, 0x7a, 0xc0), QColor(0xe0, 0x9a, 0x10),
                              QColor(0x2e, 0x9e, 0x40), QColor(0xd0, 0x30, 0x30),
                              QColor(0x80, 0x80, 0x80)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(colours[int(kind)]);
    painter.drawEllipse(1, 1, Size - 2, Size - 2);
    painter.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    switch (kind) {
    case StatusKind::Ready:
        painter.drawPoint(QPointF(8, 8));
        break;
    case StatusKind::Progress:
        painter.drawArc(QRectF(4.5, 4.5, 7, 7), 90 * 16, 270 * 16);
        break;
    case StatusKind::Success:
        painter.drawPolyline(QPolygonF({{4.5, 8.5}, {7, 11}, {11.5, 5}}));
        break;
    case StatusKind::Failure:
        painter.drawLine(QPointF(5, 5), QPointF(11, 11));
        painter.drawLine(QPointF(11, 5), QPointF(5, 11));
        break;
    case StatusKind::Refused:
        painter.drawLine(QPointF(4.5, 8), QPointF(11.5, 8));
        break;
    }
    return QIcon(pixmap);
}

QIcon statusIcon(StatusKind kind)
{
    static const QIcon icons[] = {
        drawStatusIcon(StatusKind::Ready), drawStatusIcon(StatusKind::Progress),
        drawStatusIcon(StatusKind::Success), drawStatusIcon(StatusKind::Failure),
        drawStatusIcon(StatusKind::Refused)};
    return icons[int(kind)];
}

StatusKind statusKind(int state)
{
    switch (state) {
    case RowWarned:
    case RowFailed:
        return StatusKind::Failure;
    case RowBusy:
        return StatusKind::Progress;
    case RowDone:
        return StatusKind::Success;
    case RowRefused:
        return StatusKind::Refused;
    default:
        return StatusKind::Ready;
    }
}

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
    row->setIcon(StatusColumn, statusIcon(statusKind(state)));
}

void DeviceList::setStatus(QTreeWidgetItem *row, const QString &text, const QString &reason)
{
    row->setText(StatusColumn, text);
    const QString toolTip = reason.isEmpty() ? text : text + QLatin1Char('\n') + reason;
    for (int column = SerialColumn; column <= StatusColumn; ++column)
        row->setToolTip(column, toolTip);
}

void DeviceList::showSuccess(QTreeWidgetItem *row)
{
    row->setIcon(StatusColumn, statusIcon(StatusKind::Success));
}

int DeviceList::rowState(const QTreeWidgetItem *row)
{
    return row->data(LocationColumn, RowStateRole).toInt();
}

bool DeviceList::rebuild(const QStringList &allLocations, const QList<TDevices> &devices,
                         const QList<PortRefusal> &refused)
{
    // Rows of running jobs are not enabled and get no job; their selection stays as it is.
    const QStringList selected = usableSelectedLocations();
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
                              {row->text(StatusColumn), row->toolTip(StatusColumn)});
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
            addRefusedRow(refusal);
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
    setRowState(row, RowScanned);
    row->setForeground(StatusColumn, QBrush(Qt::blue));
    row->setText(LocationColumn, device.location);
    row->setText(SerialColumn, device.serialNumber);
    row->setText(DescriptionColumn, device.description);
    row->setText(FirmwareColumn, device.firmwareVersion);
    row->setToolTip(LocationColumn, PortNameMap::instance().devicePath(device.location));
    if (carried) {
        row->setText(StatusColumn, carried->text);
        for (int column = SerialColumn; column <= StatusColumn; ++column)
            row->setToolTip(column, carried->toolTip);
        row->setData(LocationColumn, KeepStatusRole, true);
        // A carried text is a failure's: its icon goes with it.
        row->setIcon(StatusColumn, statusIcon(StatusKind::Failure));
    } else {
        setStatus(row, device.status);
    }
    return row;
}

void DeviceList::addRefusedRow(const PortRefusal &refusal)
{
    auto *row = new DeviceRow(tree);
    setRowState(row, RowRefused);
    row->setText(LocationColumn, refusal.portName);
    row->setText(StatusColumn, RefusalText::status(refusal));
    const QString advice = RefusalText::advice(refusal);
    for (int column = LocationColumn; column <= StatusColumn; ++column)
        row->setToolTip(column, advice);
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
