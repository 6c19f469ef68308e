#include "Zelkor.h"

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>

bool Zelkor::eventFilter(QObject *watched, QEvent *event)
{
    // Any press into the file field picks a file instead of placing the text cursor.
    if (watched == ui.filenameEdit && event->type() == QEvent::MouseButtonPress) {
        chooseFirmwareFile();
        event->accept();
        return true;
    }
    return false;
}

void Zelkor::chooseFirmwareFile()
{
    const QString fileName = QFileDialog::getOpenFileName(
        this, tr("Open firmware file"), openPath,
        QStringLiteral("Firmware *.cod files (*.cod);;All files (*.*)"));
    if (fileName.isEmpty())
        return;
    openPath = QFileInfo(fileName).path();
    ui.filenameEdit->setText(fileName);
}
