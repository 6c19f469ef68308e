#include "PortNameMap.h"
#include "ScratchDirectory.h"
#include "Zelkor.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {
const QString Prompt = QStringLiteral("Please select firmware *.cod file");

// Answers every file dialog that opens while it lives, from inside the dialog's own event loop:
// chooses the given file, or cancels when there is none. A dialog that refuses the choice is
// cancelled on the next tick, so a broken test fails instead of hanging.
class DialogAnswer : public QObject
{
public:
    explicit DialogAnswer(const QString &fileToChoose = QString()) : fileToChoose(fileToChoose)
    {
        connect(&poll, &QTimer::timeout, this, &DialogAnswer::answer);
        poll.start(10);
    }

    int dialogsSeen = 0;
    QString caption;
    QString startFolder;

private:
    void answer()
    {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        if (dialog == answered) {
            dialog->reject();
            return;
        }
        answered = dialog;
        ++dialogsSeen;
        caption = dialog->windowTitle();
        startFolder = dialog->directory().absolutePath();
        if (fileToChoose.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed as a user would; QFileDialog::selectFile() leaves a focused name field alone.
        const QFileInfo file(fileToChoose);
        dialog->setDirectory(file.path());
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(file.fileName());
        // QFileDialog hides its override, which checks that the file exists.
        static_cast<QDialog *>(dialog)->accept();
    }

    QString fileToChoose;
    QPointer<QFileDialog> answered;
    QTimer poll;
};

enum class Input { Press, Release, TypeKey, FilterOtherWidget };
} // namespace

Q_DECLARE_METATYPE(Input)

class tst_FileChooser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void onlyPressesOpenTheChooser_data();
    void onlyPressesOpenTheChooser();
    void chooseOrCancel_data();
    void chooseOrCancel();
};

void tst_FileChooser::initTestCase()
{
    // Keeps the file dialog's own history out of the user's configuration.
    QStandardPaths::setTestModeEnabled(true);
    // The window scans the ports from the start; the machine's own serial ports stay untouched.
    PortNameMap::instance().setDefaultTableEnabled(false);
}

void tst_FileChooser::onlyPressesOpenTheChooser_data()
{
    QTest::addColumn<Input>("input");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<int>("dialogs");
    QTest::addColumn<QString>("fileField");

    QTest::newRow("left press") << Input::Press << Qt::LeftButton << 1 << Prompt;
    QTest::newRow("right press") << Input::Press << Qt::RightButton << 1 << Prompt;
    QTest::newRow("middle press") << Input::Press << Qt::MiddleButton << 1 << Prompt;
    QTest::newRow("release") << Input::Release << Qt::LeftButton << 0 << Prompt;
    QTest::newRow("typing") << Input::TypeKey << Qt::NoButton << 0 << Prompt + "x";
    QTest::newRow("press seen for another widget")
        << Input::FilterOtherWidget << Qt::LeftButton << 0 << Prompt;
}

void tst_FileChooser::onlyPressesOpenTheChooser()
{
    QFETCH(Input, input);
    QFETCH(Qt::MouseButton, button);
    QFETCH(int, dialogs);
    QFETCH(QString, fileField);

    ScratchDirectory scratch;
    Zelkor window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *field = window.findChild<QLineEdit *>("filenameEdit");
    const int cursor = field->cursorPosition();
    const QPoint nearStart(3, field->height() / 2);

    DialogAnswer cancel;
    switch (input) {
    case Input::Press:
        QTest::mousePress(field, button, {}, nearStart);
        break;
    case Input::Release:
        QTest::mouseRelease(field, button, {}, nearStart);
        break;
    case Input::TypeKey:
        QTest::keyClick(field, Qt::Key_X);
        break;
    case Input::FilterOtherWidget: {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(nearStart), QPointF(nearStart), button,
                          button, Qt::NoModifier);
        QVERIFY(!window.eventFilter(window.findChild<QDoubleSpinBox *>("VrefSpin"), &press));
        break;
    }
    }

    QCOMPARE(cancel.dialogsSeen, dialogs);
    if (dialogs > 0) {
        QCOMPARE(cancel.caption, "Open firmware file");
        // The press never reached the field, so it placed no text cursor.
        QCOMPARE(field->cursorPosition(), cursor);
    }
    QCOMPARE(field->text(), fileField);
}

void tst_FileChooser::chooseOrCancel_data()
{
    // Folders and files relative to the scratch directory; empty means none.
    QTest::addColumn<QString>("lastFolder");
    QTest::addColumn<QString>("chosenFile");
    QTest::addColumn<QString>("fileField");
    QTest::addColumn<QString>("savedFolder");

    QTest::newRow("cancel at first start") << ""
                                           << "" << Prompt << "";
    QTest::newRow("cancel keeps the last choice") << "firmware"
                                                  << ""
                                                  << "firmware/meter.cod"
                                                  << "firmware";
    QTest::newRow("choose at first start") << ""
                                           << "firmware/meter.cod"
                                           << "firmware/meter.cod"
                                           << "firmware";
    QTest::newRow("choose in another folder") << "firmware"
                                              << "new release/meter v2.cod"
                                              << "new release/meter v2.cod"
                                              << "new release";
}

void tst_FileChooser::chooseOrCancel()
{
    QFETCH(QString, lastFolder);
    QFETCH(QString, chosenFile);
    QFETCH(QString, fileField);
    QFETCH(QString, savedFolder);

    ScratchDirectory scratch;
    const QDir root(scratch.path());
    const auto absolute = [&root](const QString &path) {
        return path.isEmpty() || path == Prompt ? path : root.filePath(path);
    };
    for (const QString file : {"firmware/meter.cod", "new release/meter v2.cod"}) {
        QVERIFY(root.mkpath(QFileInfo(file).path()));
        QFile firmware(root.filePath(file));
        QVERIFY(firmware.open(QIODevice::WriteOnly));
    }
    if (!lastFolder.isEmpty()) {
        ScratchDirectory::storeSettings(
            {{"open_path", absolute(lastFolder)}, {"filename", absolute("firmware/meter.cod")}});
    }

    {
        Zelkor window;
        DialogAnswer answer(absolute(chosenFile));
        auto *field = window.findChild<QLineEdit *>("filenameEdit");
        QTest::mousePress(field, Qt::LeftButton);

        QCOMPARE(answer.dialogsSeen, 1);
        if (!lastFolder.isEmpty())
            QCOMPARE(answer.startFolder, absolute(lastFolder));
        QCOMPARE(field->text(), absolute(fileField));
    }
    QCOMPARE(ScratchDirectory::storedSettings().value("open_path").toString(),
             absolute(savedFolder));
}

QTEST_MAIN(tst_FileChooser)
#include "tst_filechooser.moc"
