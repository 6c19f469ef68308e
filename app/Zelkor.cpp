#include "Zelkor.h"

#include "DeviceThread.h"
#include "ZelkorVersion.h"

#include <QDir>
#include <QTreeWidgetItem>

#include <algorithm>
#include <iterator>

namespace {
// The form's default section width does not fit the columns' contents.
constexpr int ColumnWidths[] = {100, 110, 80, 110, 120};
} // namespace

Zelkor::Zelkor(QWidget *parent, Qt::WindowFlags flags) : QMainWindow(parent, flags)
{
    ui.setupUi(this);
    // The form names only the 16 px icon; the larger ones keep it sharp at any scale.
    QIcon icon;
    for (const QFileInfo &file : QDir(QStringLiteral(":/Zelkor/icons")).entryInfoList())
        icon.addFile(file.filePath());
    setWindowIcon(icon);
    for (int column = 0; column < int(std::size(ColumnWidths)); ++column)
        ui.treeWidget->setColumnWidth(column, ColumnWidths[column]);
    setWindowTitle(tr("Zelkor v%1").arg(QLatin1String(ZelkorVersion)));

    loadSettings();

    connect(ui.updateBtn, &QPushButton::clicked, this, &Zelkor::updateFirmware);
    connect(ui.calbBtn, &QPushButton::clicked, this, &Zelkor::Calibrate);
    connect(ui.treeWidget, &QTreeWidget::itemSelectionChanged, this, &Zelkor::selectionChanged);
    setUpScanning();

    // The prompt is the field's real text, not a placeholder: it is what gets stored and
    // checked until the user picks a file.
    if (openPath.isEmpty())
        ui.filenameEdit->setText(tr("Please select firmware *.cod file"));
    ui.filenameEdit->installEventFilter(this);
}

Zelkor::~Zelkor()
{
    stopScanning();
    // Only jobs that nobody was asked about are left here (the window was not closed first).
    stopJobs();
    saveSettings();
}

QList<QTreeWidgetItem *> Zelkor::selectedRows() const
{
    QList<QTreeWidgetItem *> rows;
    for (int index = 0; index < ui.treeWidget->topLevelItemCount(); ++index) {
        QTreeWidgetItem *row = ui.treeWidget->topLevelItem(index);
        if (row->isSelected())
            rows.append(row);
    }
    return rows;
}

void Zelkor::selectionChanged()
{
    const bool wasBusy = busy;
    busy = true;
    const QList<QTreeWidgetItem *> selected = selectedRows();
    // A row whose job is running has lost its flags; it must not get a second job.
    const bool allEnabled = std::all_of(selected.cbegin(), selected.cend(), [](auto *item) {
        return item->flags().testFlag(Qt::ItemIsEnabled);
    });
    busy = wasBusy;

    const bool enable = allEnabled && !selected.isEmpty();
    ui.updateBtn->setEnabled(enable);
    ui.calbBtn->setEnabled(enable);
    ui.calbAfterChk->setEnabled(enable);
}
