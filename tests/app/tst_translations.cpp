#include "JobResultText.h"
#include "PlainReason.h"
#include "Translations.h"
#include "WindowBench.h"
#include "Zelkor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QDockWidget>
#include <QLocale>
#include <QTest>
#include <QTableView>
#include <QTranslator>
#include <QTreeWidget>

#include <algorithm>
#include <cerrno>

// Every text a user can meet on screen, in one language: the window's own texts, the scan's
// record texts and the failure messages.
class tst_Translations : public QObject
{
    Q_OBJECT

private slots:
    void oneLanguageOnScreen_data();
    void oneLanguageOnScreen();
    void cleanup();

private:
    static QStringList visibleTexts();
};

namespace {

bool hasCyrillic(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.script() == QChar::Script_Cyrillic; });
}

const char *const ScanTexts[] = {"n/a", "Нет прошивки", "Готов", "режим ISP"};
using namespace JobResult;
const Code FailureCodes[] = {PortCantOpen,          FirmwareFileCantOpen,   FirmwareFileCorrupted,
                             LoaderResetFailed,     LoaderConnectFailed,    LoaderDisconnectFailed,
                             LoaderNewSectionFailed, LoaderWriteDataFailed, FirmwareNotTaken,
                             DeviceLost,            Interrupted,            ScalFailed,
                             SaveFailed,            GetiFailed,             CalibrateFailed,
                             RdanFailed,            CalibrationResetFailed, NoExternalPower,
                             GfwvFailed,            TimeoutFailed};

} // namespace

void tst_Translations::oneLanguageOnScreen_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("russian");
    QTest::addColumn<QString>("openDeviceFailure");
    QTest::newRow("English") << "en_GB" << false << "Can't open device";
    QTest::newRow("Russian") << "ru_RU" << true << "Не удаётся открыть устройство";
    // The default of many installations and of every container, and a language Zelkor doesn't
    // speak: English, never the sources' mix.
    QTest::newRow("C locale") << "C" << false << "Can't open device";
    QTest::newRow("German") << "de_DE" << false << "Can't open device";
}

// Every text on screen in the locale's language, every failure with a plain reason of its own,
// and every column wide enough for its header.
void tst_Translations::oneLanguageOnScreen()
{
    QFETCH(QString, locale);
    QFETCH(bool, russian);
    QFETCH(QString, openDeviceFailure);
    QVERIFY(Translations::install(*qApp,
                                  Translations::languageFor(QLocale(locale).uiLanguages())));
    QCOMPARE(JobResultText::message(JobResult::PortCantOpen), openDeviceFailure);

    for (const QString &text : visibleTexts()) {
        // The program's name reads the same in both languages.
        if (!russian || !text.contains(QLatin1String("Zelkor")))
            QVERIFY2(hasCyrillic(text) == russian, qPrintable(locale + ": " + text));
    }
    for (JobResult::Code code : FailureCodes) {
        const QString reason = PlainReason::of(code);
        QVERIFY2(!reason.isEmpty() && reason != JobResultText::message(code),
                 qPrintable(QString::number(code)));
    }
    ScratchDirectory scratch;
    Zelkor window;
    const QHeaderView *header = window.findChild<QTreeWidget *>()->header();
    for (int column = 0; column < header->count(); ++column)
        QVERIFY2(header->sectionSize(column) >= header->sectionSizeHint(column),
                 qPrintable(QString::number(column)));
}

void tst_Translations::cleanup()
{
    for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

QStringList tst_Translations::visibleTexts()
{
    ScratchDirectory scratch;
    Zelkor window;
    QStringList texts {window.windowTitle()};
    // Ports that refuse the scan, one of each kind with texts of its own, and no device.
    window.add_items({"COM4"}, {},
                     {{"COM1", "/dev/null", PortError {PortError::Permission, {}}, "", 0},
                      {"COM2", "/dev/null", PortError {PortError::Busy, {}}, "cutecom", 7},
                      {"COM3", "/dev/null", PortError {PortError::Busy, {}}, "", 0}});
    for (const QTreeWidgetItem *row :
         window.findChild<QTreeWidget *>()->findItems("*", Qt::MatchWildcard))
        texts << row->text(StatusColumn) << row->toolTip(StatusColumn);
    // Qt's own parts (the dock's buttons) speak Qt's translations, where the system has them.
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        if (!widget->objectName().startsWith(QLatin1String("qt_")))
            texts << widget->accessibleName() << widget->accessibleDescription();
    }
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts << label->text();
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
        texts << button->text();
    for (const QGroupBox *group : window.findChildren<QGroupBox *>())
        texts << group->title();
    for (const QDockWidget *dock : window.findChildren<QDockWidget *>())
        texts << dock->windowTitle();
    const QTreeWidgetItem *header = window.findChild<QTreeWidget *>()->headerItem();
    for (int column = 0; column < header->columnCount(); ++column)
        texts << header->text(column);
    const QAbstractItemModel *history = window.findChild<QTableView *>()->model();
    for (int column = 0; column < history->columnCount(); ++column)
        texts << history->headerData(column, Qt::Horizontal).toString();
    for (const char *text : ScanTexts)
        texts << QCoreApplication::translate("DeviceThread", text);
    for (JobResult::Code code : FailureCodes)
        texts << JobResultText::message(code) << JobResultText::rowText(code)
              << PlainReason::of(code);
    FirmwareFileDefect defect;
    defect.path = QStringLiteral("/srv/fw/meter.cod");
    for (int kind = FirmwareFileDefect::CantOpen; kind <= FirmwareFileDefect::TextAfterEnd;
         ++kind) {
        defect.kind = FirmwareFileDefect::Kind(kind);
        texts << PlainReason::of(JobResult::FirmwareFileCorrupted, defect);
    }
    texts.removeAll(QString());
    return texts;
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
