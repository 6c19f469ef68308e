#include "JobHistoryPanel.h"

#include "JobHistoryModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString DefaultFileName = QStringLiteral("zelkor-history.csv");
// Room for "Update failed: " and a command's name on a line.
constexpr int ResultColumnChars = 30;

QPushButton *button(const QString &text, const char *name, QWidget *parent)
{
    auto *created = new QPushButton(text, parent);
    created->setObjectName(QLatin1String(name));
    // Enter activates a focused button, as Space does.
    created->setAutoDefault(true);
    return created;
}

} // namespace

JobHistoryPanel::JobHistoryPanel(JobHistoryModel *model, QWidget *parent)
    : QWidget(parent), model(model), list(new QTableView(this))
{
    list->setObjectName(QStringLiteral("historyView"));
    list->setModel(model);
    list->setShowGrid(false);
    list->verticalHeader()->hide();
    list->setAlternatingRowColors(true);
    // The reason is read in full: it wraps in the last column instead of running off the view,
    // and the rows grow to hold it.
    list->setWordWrap(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    QHeaderView *header = list->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The result wraps too, in a column of a few words.
    header->setSectionResizeMode(JobHistoryModel::ResultColumn, QHeaderView::Interactive);
    header->resizeSection(JobHistoryModel::ResultColumn,
                          ResultColumnChars * fontMetrics().averageCharWidth());
    header->setSectionResizeMode(JobHistoryModel::ReasonColumn, QHeaderView::Stretch);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setAccessibleName(tr("Job history"));
    list->setAccessibleDescription(
        tr("The jobs of this session, newest first, with their result and what to do next"));
    auto *copyAction = new QAction(list);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WidgetShortcut);
    connect(copyAction, &QAction::triggered, this, &JobHistoryPanel::copy);
    list->addAction(copyAction);

    copyButton = button(tr("Copy"), "historyCopyBtn", this);
    copyButton->setAccessibleDescription(
        tr("Copies the selected jobs, or all of them, as CSV to the clipboard"));
    saveButton = button(tr("&Save as CSV…"), "historySaveBtn", this);
    saveButton->setAccessibleDescription(tr("Saves the job history in a CSV file"));
    clearButton = button(tr("Clear"), "historyClearBtn", this);
    clearButton->setAccessibleDescription(
        tr("Empties the job history and removes the marks of past jobs from the device list"));
    connect(copyButton, &QPushButton::clicked, this, &JobHistoryPanel::copy);
    connect(saveButton, &QPushButton::clicked, this, &JobHistoryPanel::saveAsCsv);
    connect(clearButton, &QPushButton::clicked, this, &JobHistoryPanel::clear);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(copyButton);
    buttons->addWidget(saveButton);
    buttons->addStretch();
    buttons->addWidget(clearButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addLayout(buttons);
    setTabOrder(list, copyButton);
    setTabOrder(copyButton, saveButton);
    setTabOrder(saveButton, clearButton);
}

QByteArray JobHistoryPanel::selectedCsv() const
{
    QList<int> rows;
    for (const QModelIndex &index : list->selectionModel()->selectedRows())
        rows.append(index.row());
    return model->csv(rows);
}

void JobHistoryPanel::copy()
{
    QApplication::clipboard()->setText(QString::fromUtf8(selectedCsv()));
}

void JobHistoryPanel::saveAsCsv()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Save job history"),
                                                      DefaultFileName, tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    const QByteArray text = model->csv();
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        emit message(tr("Job history saved in %1").arg(path));
    else
        emit message(tr("%1 not saved: %2").arg(path, file.errorString()));
}

void JobHistoryPanel::clear()
{
    model->clear();
    emit cleared();
}
