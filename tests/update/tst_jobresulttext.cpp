#include "JobResult.h"
#include "JobResultText.h"

#include <QTest>

class tst_JobResultText : public QObject
{
    Q_OBJECT

private slots:
    void failureTexts_data();
    void failureTexts();
    void progress_data();
    void progress();
};

void tst_JobResultText::failureTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // empty: the code has no text
    QTest::addColumn<bool>("calibration");

    using namespace JobResult;
    const auto row = [](int code, const char *message, bool calibration = false) {
        QTest::addRow("%d", code) << code << QString(message) << calibration;
    };
    // The ends of the update and the calibration ranges, which decide the row's text; codes
    // outside the enumeration arrive from job logs and other programs.
    row(PortCantOpen, "Can'n open device");
    row(LoaderWriteDataFailed, "Can't execute command WRITE DATA");
    row(ScalFailed, "Can't execute command SCAL", true);
    row(TimeoutFailed, "Can't set timeout", true);
    // Around and between the table's codes.
    for (int code : {int(UpdateSucceeded), int(Ok), -9, -150, -199, -206, -210})
        row(code, "");
}

void tst_JobResultText::failureTexts()
{
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(bool, calibration);

    QCOMPARE(JobResultText::message(JobResult::Code(code)), message);
    const QString row = calibration ? "Calibration was cancelled" : "Firmware update was cancelled";
    QCOMPARE(JobResultText::rowText(JobResult::Code(code)), message.isEmpty() ? QString() : row);
}

void tst_JobResultText::progress_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text"); // null: neither percents nor a calibration step

    QTest::newRow("0") << 0 << " 0%";
    QTest::newRow("9") << 9 << " 9%";
    QTest::newRow("10") << 10 << "| 10%";
    QTest::newRow("100") << 100 << "|||||||||| 100%";
    QTest::newRow("101") << 101 << QString();
    QTest::newRow("199") << 199 << QString();
    QTest::newRow("failure") << -1 << QString();
    // Calibration steps: five percent a step, a bar every two steps.
    QTest::newRow("200") << 200 << " 0%";
    QTest::newRow("205") << 205 << "||| 25%";
    QTest::newRow("201") << 201 << "| 5%";
    QTest::newRow("220") << 220 << "|||||||||| 100%";
}

void tst_JobResultText::progress()
{
    QFETCH(int, value);
    QFETCH(QString, text);
    // The window leaves the row alone for a value that is no progress.
    const std::optional<JobProgress> progress = JobProgress::decode(value);
    QCOMPARE(progress.has_value(), !text.isNull());
    if (progress)
        QCOMPARE(JobResultText::progress(*progress), text);
}

QTEST_APPLESS_MAIN(tst_JobResultText)
#include "tst_jobresulttext.moc"
