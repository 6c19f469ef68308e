#include "PortNameMap.h"
#include "ScratchDirectory.h"
#include "Zelkor.h"

#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QString Prompt = QStringLiteral("Please select firmware *.cod file");
const QSize FormSize(615, 292);
const QStringList JobControls = {"updateBtn", "calbBtn", "calbAfterChk"};

template<typename T = QWidget> T *child(const Zelkor &window, const QString &name)
{
    return window.findChild<T *>(name);
}

// Answers every file dialog that opens while it lives, from inside the dialog's own event loop:
// chooses the given file, or cancels when there is none. A dialog that refuses the choice is
// cancelled on the next tick, so a broken test fails instead of hanging.
class DialogAnswer : public QObject
{
public:
    explicit DialogAnswer(const QString &fileToChoose) : fileToChoose(fileToChoose)
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
enum UserAction { TypeFileName = 1, CheckCalibrateAfter = 2, Resize = 4 };

} // namespace

Q_DECLARE_METATYPE(Input)

class tst_Window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstStart();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void fileChooser_data();
    void fileChooser();
    void jobControlsFollowSelection_data();
    void jobControlsFollowSelection();
    void voltageLimits_data();
    void voltageLimits();
    void publicSlots();

private:
    ScratchDirectory scratch;
};

void tst_Window::initTestCase()
{
    // Keeps the file dialog's own history out of the user's configuration.
    QStandardPaths::setTestModeEnabled(true);
    // The window scans the ports from the start; the machine's own serial ports stay untouched.
    PortNameMap::instance().setDefaultTableEnabled(false);
}

// Without a settings file.
void tst_Window::firstStart()
{
    ScratchDirectory fresh;
    Zelkor window;
    QCOMPARE(window.windowTitle(), "Zelkor v1.2");
    QCOMPARE(window.size(), FormSize);
    QCOMPARE(child<QLabel>(window, "label")->text(), "Обнаруженные устройства:");
    QCOMPARE(child<QLineEdit>(window, "filenameEdit")->text(), Prompt);
    QCOMPARE(child<QDoubleSpinBox>(window, "VrefSpin")->text(), "12.00 V");
    for (const char *name : {"filenameEdit", "VrefSpin", "treeWidget"})
        QVERIFY2(child(window, name)->isEnabled(), qPrintable(name));
    for (const QString &name : JobControls)
        QVERIFY2(!child(window, name)->isEnabled(), qPrintable(name));
    QVERIFY(!child<QCheckBox>(window, "calbAfterChk")->isChecked());
    // Fails when the icons' resource was not linked into the program.
    for (int size : {16, 32, 48, 64, 128, 256})
        QVERIFY(window.windowIcon().availableSizes().contains(QSize(size, size)));

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto *tree = child<QTreeWidget>(window, "treeWidget");
    QCOMPARE(tree->selectionMode(), QAbstractItemView::ExtendedSelection);
    const QStringList labels = {"Location", "Serial number", "Description", "Firmware version",
                                "Status"};
    const QList<int> widths = {100, 110, 80, 110};
    QCOMPARE(tree->columnCount(), labels.size());
    for (int column = 0; column < labels.size(); ++column)
        QCOMPARE(tree->headerItem()->text(column), labels[column]);
    for (int column = 0; column < widths.size(); ++column)
        QCOMPARE(tree->columnWidth(column), widths[column]);
    // The last column stretches to the window's edge, but never below its own width.
    QVERIFY(tree->columnWidth(4) >= 120);
    QVERIFY(tree->isSortingEnabled() && tree->header()->isSortIndicatorShown());
}

void tst_Window::settingsRoundTrip_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<int>("actions");
    QTest::addColumn<QVariantMap>("saved");
    QTest::addColumn<QString>("fileFieldNextTime");

    QTest::newRow("first start untouched")
        << QVariantMap() << 0
        << QVariantMap {{"filename", Prompt}, {"open_path", ""}, {"calb_after", false}} << Prompt;
    QTest::newRow("stored name without a folder gives way to the prompt")
        << QVariantMap {{"filename", "/srv/fw/meter.cod"}, {"open_path", ""}} << 0
        << QVariantMap {{"filename", Prompt}, {"open_path", ""}} << Prompt;
    // The box is checked while a missing selection keeps it disabled.
    QTest::newRow("typed name without a folder, box checked, resized")
        << QVariantMap() << (TypeFileName | CheckCalibrateAfter | Resize)
        << QVariantMap {{"filename", "typed name.cod"}, {"open_path", ""}, {"calb_after", true}}
        << Prompt;
    QTest::newRow("typed name with a folder")
        << QVariantMap {{"open_path", "/srv/fw"}, {"filename", "/srv/fw/old.cod"}}
        << int(TypeFileName)
        << QVariantMap {{"filename", "typed name.cod"}, {"open_path", "/srv/fw"}}
        << "typed name.cod";
    QTest::newRow("unusable geometry")
        << QVariantMap {{"window", QByteArray("\x01\xd9\xd0\xcb garbage")}} << 0 << QVariantMap()
        << Prompt;
}

void tst_Window::settingsRoundTrip()
{
    QFETCH(QVariantMap, before);
    QFETCH(int, actions);
    QFETCH(QVariantMap, saved);
    QFETCH(QString, fileFieldNextTime);

    ScratchDirectory fresh;
    ScratchDirectory::storeSettings(before);
    const QSize resized(700, 400);
    {
        Zelkor window;
        QCOMPARE(window.size(), FormSize);
        if (actions & TypeFileName) {
            auto *field = child<QLineEdit>(window, "filenameEdit");
            field->selectAll();
            QTest::keyClicks(field, QStringLiteral("typed name.cod"));
        }
        if (actions & CheckCalibrateAfter)
            child<QCheckBox>(window, "calbAfterChk")->setChecked(true);
        if (actions & Resize)
            window.resize(resized);
    }
    const QVariantMap stored = ScratchDirectory::storedSettings();
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QCOMPARE(stored.value(it.key()).toString(), it.value().toString());

    Zelkor nextTime;
    QCOMPARE(child<QLineEdit>(nextTime, "filenameEdit")->text(), fileFieldNextTime);
    auto *calibrateAfterBox = child<QCheckBox>(nextTime, "calbAfterChk");
    QCOMPARE(calibrateAfterBox->isChecked(), bool(actions & CheckCalibrateAfter));
    QVERIFY(!calibrateAfterBox->isEnabled());
    QCOMPARE(nextTime.size(), actions & Resize ? resized : FormSize);
}

void tst_Window::fileChooser_data()
{
    // Files relative to the scratch directory; the last choice was "firmware/meter.cod".
    QTest::addColumn<Input>("input");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QString>("chosenFile"); // empty: cancel
    QTest::addColumn<QString>("fileField");

    const QString last = QStringLiteral("firmware/meter.cod");
    const QString other = QStringLiteral("new release/meter v2.cod");
    QTest::newRow("left press, cancel keeps the last choice")
        << Input::Press << Qt::LeftButton << "" << last;
    QTest::newRow("right press, choose in another folder")
        << Input::Press << Qt::RightButton << other << other;
    QTest::newRow("release") << Input::Release << Qt::LeftButton << "" << last;
    QTest::newRow("typing") << Input::TypeKey << Qt::NoButton << "" << last + "x";
    QTest::newRow("press seen for another widget")
        << Input::FilterOtherWidget << Qt::LeftButton << "" << last;
}

// Any press into the file field opens the chooser instead of reaching the field; every other
// event passes. The folder stored is the one of the file chosen last.
void tst_Window::fileChooser()
{
    QFETCH(Input, input);
    QFETCH(Qt::MouseButton, button);
    QFETCH(QString, chosenFile);
    QFETCH(QString, fileField);

    ScratchDirectory fresh;
    const QDir root(fresh.path());
    for (const QString file : {"firmware/meter.cod", "new release/meter v2.cod"}) {
        QVERIFY(root.mkpath(QFileInfo(file).path()));
        QFile firmware(root.filePath(file));
        QVERIFY(firmware.open(QIODevice::WriteOnly));
    }
    ScratchDirectory::storeSettings({{"open_path", root.filePath("firmware")},
                                     {"filename", root.filePath("firmware/meter.cod")}});
    {
        Zelkor window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *field = child<QLineEdit>(window, "filenameEdit");
        const QPoint nearStart(3, field->height() / 2);
        DialogAnswer answer(chosenFile.isEmpty() ? QString() : root.filePath(chosenFile));
        if (input == Input::Press)
            QTest::mousePress(field, button, {}, nearStart);
        else if (input == Input::Release)
            QTest::mouseRelease(field, button, {}, nearStart);
        else if (input == Input::TypeKey)
            QTest::keyClick(field, Qt::Key_X);
        else {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(nearStart), QPointF(nearStart),
                              button, button, Qt::NoModifier);
            QVERIFY(!window.eventFilter(child(window, "VrefSpin"), &press));
        }

        QCOMPARE(answer.dialogsSeen, int(input == Input::Press));
        if (input == Input::Press) {
            QCOMPARE(answer.caption, "Open firmware file");
            QCOMPARE(answer.startFolder, root.filePath("firmware"));
            // The press never reached the field: the text cursor stays at the end of the text.
            QCOMPARE(field->cursorPosition(), field->text().size());
        }
        QCOMPARE(field->text(), root.filePath(fileField));
    }
    QCOMPARE(ScratchDirectory::storedSettings().value("open_path").toString(),
             QFileInfo(root.filePath(fileField)).path());
}

void tst_Window::jobControlsFollowSelection_data()
{
    QTest::addColumn<QList<int>>("rowFlags");
    QTest::addColumn<QList<int>>("selectedRows");
    QTest::addColumn<bool>("enabled");

    const int plain = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const int busy = Qt::NoItemFlags;

    QTest::newRow("no row selected") << QList<int> {plain, plain} << QList<int> {} << false;
    QTest::newRow("all plain rows")
        << QList<int> {plain, plain, plain} << QList<int> {0, 1, 2} << true;
    QTest::newRow("busy row among plain rows")
        << QList<int> {plain, busy, plain} << QList<int> {0, 1, 2} << false;
    QTest::newRow("selectable row that is not enabled")
        << QList<int> {plain, int(Qt::ItemIsSelectable)} << QList<int> {0, 1} << false;
    QTest::newRow("busy row left out of the selection")
        << QList<int> {plain, busy} << QList<int> {0} << true;
}

void tst_Window::jobControlsFollowSelection()
{
    QFETCH(QList<int>, rowFlags);
    QFETCH(QList<int>, selectedRows);
    QFETCH(bool, enabled);

    Zelkor window;
    auto *tree = child<QTreeWidget>(window, "treeWidget");
    QList<QTreeWidgetItem *> rows;
    for (int index = 0; index < rowFlags.size(); ++index)
        rows.append(new QTreeWidgetItem(tree, {QStringLiteral("/dev/ttyS%1").arg(index)}));
    for (int index : selectedRows)
        rows[index]->setSelected(true);
    // A job takes the flags of rows that are already selected, then the buttons are set again.
    for (int index = 0; index < rows.size(); ++index)
        rows[index]->setFlags(Qt::ItemFlags(rowFlags[index]));
    window.selectionChanged();

    for (const QString &name : JobControls)
        QCOMPARE(child(window, name)->isEnabled(), enabled);
    QVERIFY(child(window, "filenameEdit")->isEnabled() && child(window, "VrefSpin")->isEnabled());
    // Clearing the selection tells the window by itself.
    tree->clearSelection();
    for (const QString &name : JobControls)
        QVERIFY(!child(window, name)->isEnabled());
}

void tst_Window::voltageLimits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("lowest") << "3" << 3.0 << "3.00 V";
    QTest::newRow("highest") << "40" << 40.0 << "40.00 V";
    QTest::newRow("below lowest is refused") << "2.5" << 12.0 << "12.00 V";
    QTest::newRow("above highest is refused") << "40.5" << 40.0 << "40.00 V";
    QTest::newRow("third decimal is refused") << "5.555" << 5.55 << "5.55 V";
}

void tst_Window::voltageLimits()
{
    QFETCH(QString, typed);
    QFETCH(double, value);
    QFETCH(QString, text);

    Zelkor window;
    auto *spin = child<QDoubleSpinBox>(window, "VrefSpin");
    spin->findChild<QLineEdit *>()->selectAll();
    QTest::keyClicks(spin, typed);
    QTest::keyClick(spin, Qt::Key_Enter);
    QCOMPARE(spin->value(), value);
    QCOMPARE(spin->text(), text);
}

// The window's slots as the meta-object lists them: in their documented order, with the
// parameter names the job workers' signals are documented with.
void tst_Window::publicSlots()
{
    const QMetaObject &meta = Zelkor::staticMetaObject;
    QStringList declared;
    for (int index = meta.methodOffset(); index < meta.methodCount(); ++index) {
        const QMetaMethod method = meta.method(index);
        if (method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Public)
            declared.append(QString::fromLatin1(method.methodSignature()));
    }
    QCOMPARE(declared,
             (QStringList {"refresh()", "updateFirmware()", "Calibrate()",
                           "add_items(QStringList,QList<TDevices>)", "updateProgress(QString,int)",
                           "updateFinished(UpdateThread*,QString,int,int)", "selectionChanged()"}));
    const int finished = meta.indexOfSlot("updateFinished(UpdateThread*,QString,int,int)");
    QCOMPARE(meta.method(finished).parameterNames(),
             (QByteArrayList {"thread", "devicename", "update_result", "calb_result"}));
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
