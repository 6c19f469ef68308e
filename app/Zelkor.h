#ifndef ZELKOR_H
#define ZELKOR_H

#include "TDevices.h"
#include "ui_Zelkor.h"

#include <QElapsedTimer>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <memory>

class DeviceThread;
class QTimer;
class QTreeWidgetItem;

// The main window: the device list, kept current by the scan worker, the firmware file and the
// job controls.
class Zelkor : public QMainWindow
{
    Q_OBJECT

public:
    explicit Zelkor(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    // Ends a running scan pass early and waits for it before the window goes.
    ~Zelkor() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Gives a row of the device list one of the RowState numbers: its flags and the roles that
    // tell the rebuild what to do with it. Another number is only stored. Texts stay as they are.
    void setRowState(QTreeWidgetItem *item, int state);

public slots:
    // Starts a scan pass unless one is running.
    void refresh();
    // Rebuilds the device list from one scan pass, unless a job slot is at work or a job event
    // was less than a refresh interval ago.
    void add_items(QStringList all_locations, QList<TDevices> devices);
    void selectionChanged();

private:
    void loadSettings();
    void saveSettings();
    void chooseFirmwareFile();
    // The rows the user has selected, as each row itself says. QTreeWidget::selectedItems() is
    // no help: it leaves out rows that are not enabled, yet a row whose job has cleared its
    // flags stays selected and must count; and after the list has been re-sorted it can name a
    // row that is not selected at all.
    QList<QTreeWidgetItem *> selectedRows() const;
    void setUpScanning();
    void stopScanning();
    bool withinQuietPeriod() const;

    Ui::ZelkorClass ui;
    std::unique_ptr<DeviceThread> deviceThread;
    QTimer *refreshTimer = nullptr;
    QString openPath;
    // The last job event; scan results that arrive within a refresh interval after it are
    // dropped. Invalid until the first job event: long past.
    QElapsedTimer lastJobTime;
    // Raised while a slot works on the device list, so that scan results leave it alone.
    bool busy = false;

    // Its tests hold the rebuild off as the job slots do, through busy and lastJobTime.
    friend class tst_DeviceList;
};

#endif // ZELKOR_H
