#include "PortNameMap.h"
#include "ScratchDirectory.h"
#include "Zelkor.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

namespace {
const QString Prompt = QStringLiteral("Please select firmware *.cod file");
const QSize FormSize(615, 292);

enum class UserAction { None, TypeFileName, CheckCalibrateAfter, Resize };
} // namespace

Q_DECLARE_METATYPE(UserAction)

class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void load_data();
    void load();
    void roundTrip_data();
    void roundTrip();
};

void tst_Settings::initTestCase()
{
    // The window scans the ports from the start; the machine's own serial ports stay untouched.
    PortNameMap::instance().setDefaultTableEnabled(false);
}

void tst_Settings::load_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QString>("fileField");

    QTest::newRow("chosen file") << QVariantMap {{"filename", "/srv/fw/meter 2.cod"},
                                                 {"open_path", "/srv/fw"}}
                                 << "/srv/fw/meter 2.cod";
    QTest::newRow("file name without a folder gives way to the prompt")
        << QVariantMap {{"filename", "/srv/fw/meter.cod"}, {"open_path", ""}} << Prompt;
    QTest::newRow("unusable geometry")
        << QVariantMap {{"window", QByteArray("\x01\xd9\xd0\xcb garbage")}} << Prompt;
}

void tst_Settings::load()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QString, fileField);

    ScratchDirectory scratch;
    ScratchDirectory::storeSettings(stored);
    Zelkor window;

    QCOMPARE(window.findChild<QLineEdit *>("filenameEdit")->text(), fileField);
    QCOMPARE(window.size(), FormSize);
}

void tst_Settings::roundTrip_data()
{
    QTest::addColumn<QVariantMap>("before");
    QTest::addColumn<UserAction>("action");
    QTest::addColumn<QVariantMap>("saved");
    QTest::addColumn<QString>("fileFieldNextTime");

    QTest::newRow("first start untouched")
        << QVariantMap() << UserAction::None
        << QVariantMap {{"filename", Prompt}, {"open_path", ""}, {"calb_after", false}} << Prompt;
    QTest::newRow("typed name without a folder")
        << QVariantMap() << UserAction::TypeFileName
        << QVariantMap {{"filename", "typed name.cod"}, {"open_path", ""}} << Prompt;
    QTest::newRow("typed name with a folder")
        << QVariantMap {{"open_path", "/srv/fw"}, {"filename", "/srv/fw/old.cod"}}
        << UserAction::TypeFileName
        << QVariantMap {{"filename", "typed name.cod"}, {"open_path", "/srv/fw"}}
        << "typed name.cod";
    QTest::newRow("calibrate after checked while disabled")
        << QVariantMap() << UserAction::CheckCalibrateAfter << QVariantMap {{"calb_after", true}}
        << Prompt;
    QTest::newRow("resized") << QVariantMap() << UserAction::Resize << QVariantMap() << Prompt;
}

void tst_Settings::roundTrip()
{
    QFETCH(QVariantMap, before);
    QFETCH(UserAction, action);
    QFETCH(QVariantMap, saved);
    QFETCH(QString, fileFieldNextTime);

    ScratchDirectory scratch;
    ScratchDirectory::storeSettings(before);
    const QSize resized(700, 400);
    bool checked = false;
    {
        Zelkor window;
        auto *calibrateAfterBox = window.findChild<QCheckBox *>("calbAfterChk");
        switch (action) {
        case UserAction::None:
            break;
        case UserAction::TypeFileName: {
            auto *field = window.findChild<QLineEdit *>("filenameEdit");
            field->selectAll();
            QTest::keyClicks(field, QStringLiteral("typed name.cod"));
            break;
        }
        case UserAction::CheckCalibrateAfter:
            calibrateAfterBox->setChecked(true);
            break;
        case UserAction::Resize:
            window.resize(resized);
            break;
        }
        checked = calibrateAfterBox->isChecked();
    }

    const QVariantMap stored = ScratchDirectory::storedSettings();
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        QCOMPARE(stored.value(it.key()).toString(), it.value().toString());

    Zelkor nextTime;
    QCOMPARE(nextTime.findChild<QLineEdit *>("filenameEdit")->text(), fileFieldNextTime);
    auto *calibrateAfterBox = nextTime.findChild<QCheckBox *>("calbAfterChk");
    QCOMPARE(calibrateAfterBox->isChecked(), checked);
    QVERIFY(!calibrateAfterBox->isEnabled());
    QCOMPARE(nextTime.size(), action == UserAction::Resize ? resized : FormSize);
}

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
