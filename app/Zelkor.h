#ifndef ZELKOR_H
#define ZELKOR_H

#include "ui_Zelkor.h"

#include <QMainWindow>
#include <QString>

// The main window: the device list, the firmware file and the job controls.
class Zelkor : public QMainWindow
{
    Q_OBJECT

public:
    explicit Zelkor(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~Zelkor() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void selectionChanged();

private:
    void loadSettings();
    void saveSettings();
    void chooseFirmwareFile();

    Ui::ZelkorClass ui;
    QString openPath;
    // Raised while a slot works on the device list, so that scan results leave it alone.
    bool busy = false;
};

#endif // ZELKOR_H
