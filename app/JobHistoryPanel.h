#ifndef JOBHISTORYPANEL_H
#define JOBHISTORYPANEL_H

#include <QWidget>

class JobHistoryModel;
class QPushButton;
class QTableView;

// The job history on screen: the list of this session's jobs, and buttons to copy it or save
// it as CSV for a spreadsheet, and to clear it.
class JobHistoryPanel : public QWidget
{
    Q_OBJECT

public:
    JobHistoryPanel(JobHistoryModel *model, QWidget *parent = nullptr);

    QTableView *view() const { return list; }

signals:
    // The user cleared the history; marks of earlier jobs go too.
    void cleared();
    // What the user should read in the status bar: a file saved, or not.
    void message(QString text);

public slots:
    // The selected entries, or all of them when none is selected, as CSV to the clipboard.
    void copy();
    void saveAsCsv();
    void clear();

private:
    QByteArray selectedCsv() const;

    JobHistoryModel *model;
    QTableView *list;
    QPushButton *copyButton;
    QPushButton *saveButton;
    QPushButton *clearButton;
};

#endif // JOBHISTORYPANEL_H
