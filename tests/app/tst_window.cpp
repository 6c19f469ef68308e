#include "PortNameMap.h"
#include "ScratchDirectory.h"
#include "Zelkor.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {
const QStringList JobControls = {"updateBtn", "calbBtn", "calbAfterChk"};
} // namespace

class tst_Window : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstStart_data();
    void firstStart();
    void deviceListAndIcon();
    void jobControlsFollowSelection_data();
    void jobControlsFollowSelection();
    void clearingSelectionDisablesJobControls();
    void voltageLimits_data();
    void voltageLimits();

private:
    ScratchDirectory scratch;
};

void tst_Window::initTestCase()
{
    // The window scans the ports from the start; the machine's own serial ports stay untouched.
    PortNameMap::instance().setDefaultTableEnabled(false);
}

void tst_Window::firstStart_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("expected");

    QTest::newRow("title") << "ZelkorClass" << QByteArray("windowTitle") << QVariant("Zelkor v1.2");
    QTest::newRow("size") << "ZelkorClass" << QByteArray("size") << QVariant(QSize(615, 292));
    QTest::newRow("list label") << "label" << QByteArray("text")
                                << QVariant("Обнаруженные устройства:");
    QTest::newRow("file prompt") << "filenameEdit" << QByteArray("text")
                                 << QVariant("Please select firmware *.cod file");
    QTest::newRow("file field enabled")
        << "filenameEdit" << QByteArray("enabled") << QVariant(true);
    QTest::newRow("update disabled") << "updateBtn" << QByteArray("enabled") << QVariant(false);
    QTest::newRow("calibrate disabled") << "calbBtn" << QByteArray("enabled") << QVariant(false);
    QTest::newRow("calibrate after disabled")
        << "calbAfterChk" << QByteArray("enabled") << QVariant(false);
    QTest::newRow("calibrate after off")
        << "calbAfterChk" << QByteArray("checked") << QVariant(false);
    QTest::newRow("voltage text") << "VrefSpin" << QByteArray("text") << QVariant("12.00 V");
    QTest::newRow("voltage enabled") << "VrefSpin" << QByteArray("enabled") << QVariant(true);
    QTest::newRow("list enabled") << "treeWidget" << QByteArray("enabled") << QVariant(true);
    QTest::newRow("list takes several rows")
        << "treeWidget" << QByteArray("selectionMode")
        << QVariant::fromValue(QAbstractItemView::ExtendedSelection);
}

void tst_Window::firstStart()
{
    QFETCH(QString, widget);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, expected);

    Zelkor window;
    QObject *object = window.objectName() == widget ? &window : window.findChild<QObject *>(widget);
    QVERIFY2(object, qPrintable(widget));
    QVariant actual = object->property(property);
    QVERIFY(actual.convert(expected.metaType()));
    QCOMPARE(actual, expected);
}

void tst_Window::deviceListAndIcon()
{
    Zelkor window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const auto *tree = window.findChild<QTreeWidget *>("treeWidget");
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
    QVERIFY(tree->isSortingEnabled());
    QVERIFY(tree->header()->isSortIndicatorShown());

    // Fails when the icon's resource was not linked into the program.
    QCOMPARE(window.windowIcon().availableSizes(), QList<QSize> {QSize(16, 16)});
}

void tst_Window::jobControlsFollowSelection_data()
{
    QTest::addColumn<QList<int>>("rowFlags");
    QTest::addColumn<QList<int>>("selectedRows");
    QTest::addColumn<bool>("enabled");

    const int plain = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    const int busy = Qt::NoItemFlags;
    const int selectableOnly = Qt::ItemIsSelectable;

    QTest::newRow("no row selected") << QList<int> {plain, plain} << QList<int> {} << false;
    QTest::newRow("one plain row") << QList<int> {plain, plain} << QList<int> {1} << true;
    QTest::newRow("all plain rows")
        << QList<int> {plain, plain, plain} << QList<int> {0, 1, 2} << true;
    QTest::newRow("busy row among plain rows")
        << QList<int> {plain, busy, plain} << QList<int> {0, 1, 2} << false;
    QTest::newRow("selectable row that is not enabled")
        << QList<int> {plain, selectableOnly} << QList<int> {0, 1} << false;
    QTest::newRow("only a busy row") << QList<int> {busy} << QList<int> {0} << false;
    QTest::newRow("busy row left out of the selection")
        << QList<int> {plain, busy} << QList<int> {0} << true;
}

void tst_Window::jobControlsFollowSelection()
{
    QFETCH(QList<int>, rowFlags);
    QFETCH(QList<int>, selectedRows);
    QFETCH(bool, enabled);

    Zelkor window;
    auto *tree = window.findChild<QTreeWidget *>("treeWidget");
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
        QCOMPARE(window.findChild<QWidget *>(name)->isEnabled(), enabled);
    QVERIFY(window.findChild<QWidget *>("filenameEdit")->isEnabled());
    QVERIFY(window.findChild<QWidget *>("VrefSpin")->isEnabled());
}

void tst_Window::clearingSelectionDisablesJobControls()
{
    Zelkor window;
    auto *tree = window.findChild<QTreeWidget *>("treeWidget");
    auto *row = new QTreeWidgetItem(tree, {QStringLiteral("/dev/ttyS0")});

    row->setSelected(true);
    for (const QString &name : JobControls)
        QVERIFY(window.findChild<QWidget *>(name)->isEnabled());
    tree->clearSelection();
    for (const QString &name : JobControls)
        QVERIFY(!window.findChild<QWidget *>(name)->isEnabled());
}

void tst_Window::voltageLimits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("in range") << "24.5" << 24.5 << "24.50 V";
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
    auto *spin = window.findChild<QDoubleSpinBox *>("VrefSpin");
    auto *editor = spin->findChild<QLineEdit *>();
    editor->selectAll();
    QTest::keyClicks(spin, typed);
    QTest::keyClick(spin, Qt::Key_Enter);
    QCOMPARE(spin->value(), value);
    QCOMPARE(spin->text(), text);
}

QTEST_MAIN(tst_Window)
#include "tst_window.moc"
