#include "JobResultText.h"
#include "Translations.h"
#include "WindowBench.h"
#include "Zelkor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTest>
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
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("installed");
    QTest::addColumn<QString>("openDeviceFailure");
    QTest::newRow("English") << "en_GB" << true << "Can't open device";
    QTest::newRow("Russian") << "ru_RU" << true << "Не удаётся открыть устройство";
    // No translation: the sources' own texts, as they always were.
    QTest::newRow("C locale") << "C" << false << "Can'n open device";
}

void tst_Translations::oneLanguageOnScreen()
{
    QFETCH(QString, language);
    QFETCH(bool, installed);
    QFETCH(QString, openDeviceFailure);
    QCOMPARE(Translations::install(*qApp, language), installed);
    QCOMPARE(JobResultText::message(JobResult::PortCantOpen), openDeviceFailure);
    if (!installed)
        return;

    const bool russian = language.startsWith(QLatin1String("ru"));
    for (const QString &text : visibleTexts()) {
        // The program's name reads the same in both languages.
        if (!russian || !text.contains(QLatin1String("Zelkor")))
            QVERIFY2(hasCyrillic(text) == russian, qPrintable(language + ": " + text));
    }
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
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts << label->text();
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
        texts << button->text();
    for (const QGroupBox *group : window.findChildren<QGroupBox *>())
        texts << group->title();
    const QTreeWidgetItem *header = window.findChild<QTreeWidget *>()->headerItem();
    for (int column = 0; column < header->columnCount(); ++column)
        texts << header->text(column);
    for (const char *text : ScanTexts)
        texts << QCoreApplication::translate("DeviceThread", text);
    for (JobResult::Code code : FailureCodes)
        texts << JobResultText::message(code) << JobResultText::rowText(code);
    texts.removeAll(QString());
    return texts;
}

QTEST_MAIN(tst_Translations)
#include "tst_translations.moc"
