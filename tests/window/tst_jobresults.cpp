#include "JobBench.h"
#include "RowHistory.h"
#include "TestFirmware.h"
#include "UpdateThread.h"
#include "WindowBench.h"

#include <QMetaMethod>
#include <QTreeWidgetItem>
#include <QtTest>

using namespace JobBench;
using namespace WindowBench;

namespace {

const QString Before = QStringLiteral("before");
// A port no simulated device uses.
constexpr int RowPort = 9;

// What a failing job is made of: the device, the firmware file and whether the device is
// still there when the job starts.
struct FailingJob
{
    DeviceProfile profile = meter();
    Faults faults;
    bool update = true;
    // Firmware file contents; Directory: the path names a folder.
    QByteArray file = TestFirmware::tenLines();
    bool unplugged = false;

    static inline const QByteArray Directory = "<directory>";
};

FailingJob updating(const Faults &faults)
{
    FailingJob job;
    job.faults = faults;
    return job;
}

FailingJob calibrating(const QSet<QByteArray> &unanswered)
{
    FailingJob job;
    job.update = false;
    job.profile.unanswered = unanswered;
    return job;
}

} // namespace

Q_DECLARE_METATYPE(FailingJob)

class tst_JobResults : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void failureShown_data();
    void failureShown();
    void progressShown_data();
    void progressShown();
    void slotOrder();
};

void tst_JobResults::init()
{
    ProtocolTiming::setScale(ShortTiming);
    ProtocolTiming::setTimeoutScale(1.0);
}

void tst_JobResults::failureShown_data()
{
    QTest::addColumn<FailingJob>("job");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("state");

    FailingJob unplugged;
    unplugged.unplugged = true;
    FailingJob directory;
    directory.file = FailingJob::Directory;
    FailingJob nineLines;
    nineLines.file = TestFirmware::tenLines().mid(10);
    FailingJob noGeti = calibrating({});
    noGeti.profile.getiLength = 0;
    FailingJob noInit = calibrating({"init"});
    noInit.profile.calbNeedsInit = true;
    FailingJob noPower = calibrating({});
    noPower.profile.measurements[4] = 49;

    // clang-format off
    QTest::newRow("-1") << unplugged << "Can'n open device" << UpdateCancelled << int(RowFailed);
    QTest::newRow("-2") << directory << "Can'n open firmware file" << UpdateCancelled
                        << int(RowFailed);
    QTest::newRow("-3") << nineLines << "Firmware file is corrupted" << UpdateCancelled
                        << int(RowFailed);
    QTest::newRow("-5") << updating({DeviceFault::on("CONNECT", DeviceFault::BadStatus, 0, 5)})
                        << "Can't execute command CONNECT" << UpdateCancelled << int(RowFailed);
    QTest::newRow("-6") << updating({DeviceFault::on("DISCONNECT", DeviceFault::BadStatus)})
                        << "Can't execute command DISCONNECT" << UpdateCancelled
                        << int(RowFailed);
    QTest::newRow("-7") << updating({DeviceFault::on("NEW SECTION", DeviceFault::BadStatus)})
                        << "Can't execute command NEW SECTION" << UpdateCancelled
                        << int(RowFailed);
    QTest::newRow("-8") << updating({DeviceFault::on("WRITE DATA", DeviceFault::BadStatus, 2)})
                        << "Can't execute command WRITE DATA" << UpdateCancelled
                        << int(RowFailed);
    QTest::newRow("-200") << calibrating({"scal", "s002"}) << "Can't execute command SCAL"
                          << CalibrationCancelled << int(RowWarned);
    QTest::newRow("-201") << calibrating({"save"}) << "Can't execute command SAVE"
                          << CalibrationCancelled << int(RowWarned);
    QTest::newRow("-202") << noGeti << "Can't execute command GETI" << CalibrationCancelled
                          << int(RowWarned);
    QTest::newRow("-203") << noInit << "Can't execute command CALIBRATE" << CalibrationCancelled
                          << int(RowWarned);
    QTest::newRow("-204") << calibrating({"rdan", "1234"}) << "Can't execute command RDAN"
                          << CalibrationCancelled << int(RowWarned);
    QTest::newRow("-207") << noPower << "Please connect external power" << CalibrationCancelled
                          << int(RowWarned);
    QTest::newRow("-208") << calibrating({"gfwv", "g001"}) << "Can't execute command GFWV"
                          << CalibrationCancelled << int(RowWarned);
    // clang-format on
}

// Real failures of real jobs: the message appears in the status bar, the row keeps the job's
// verdict once the job is over.
void tst_JobResults::failureShown()
{
    QFETCH(FailingJob, job);
    QFETCH(QString, message);
    QFETCH(QString, status);
    QFETCH(int, state);

    Bench bench;
    SimulatedDevice *device = bench.add(1, job.profile, job.faults);
    QVERIFY(device);
    QTemporaryDir dir;
    const QString file = job.file == FailingJob::Directory
        ? dir.path()
        : bench.file(QStringLiteral("firmware.cod"), job.file);
    Zelkor *window = bench.open(file);
    QVERIFY(window);
    RowHistory history(deviceList(*window), statusBar(*window));
    row(*window, 1)->setSelected(true);
    if (job.unplugged) {
        // Without running the event loop, so that no rebuild drops the row meanwhile.
        device->unplug();
        QDeadlineTimer deadline(ListTimeoutMs);
        while (device->mode() != DeviceMode::Unplugged && !deadline.hasExpired())
            QThread::msleep(1);
    }

    QTest::mouseClick(button(*window, job.update ? "updateBtn" : "calbBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(window->runningJobs.isEmpty(), JobTimeoutMs);
    QCOMPARE(history.messages(), QStringList {message});
    QCOMPARE(row(*window, 1)->text(4), status);
    QCOMPARE(row(*window, 1)->data(0, RowStateRole).toInt(), state);
}

void tst_JobResults::progressShown_data()
{
    QTest::addColumn<int>("percents");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("message"); // empty: none
    // The scan leaves the list alone for a while.
    QTest::addColumn<bool>("quietPeriod");

    const int busy = RowBusy;
    QTest::newRow("0") << 0 << " 0%" << busy << QString() << false;
    QTest::newRow("9") << 9 << " 9%" << busy << QString() << false;
    QTest::newRow("57") << 57 << "||||| 57%" << busy << QString() << false;
    QTest::newRow("100") << 100 << "|||||||||| 100%" << busy << QString() << false;
    QTest::newRow("101") << 101 << Before << busy << QString() << false;
    QTest::newRow("199") << 199 << Before << busy << QString() << false;
    QTest::newRow("200") << 200 << " 0%" << busy << QString() << false;
    QTest::newRow("205") << 205 << "||| 25%" << busy << QString() << false;
    QTest::newRow("220") << 220 << "|||||||||| 100%" << busy << QString() << false;

    // No step of the worker produces these, or only when the line fails in mid-write.
    QTest::newRow("-4") << -4 << UpdateCancelled << int(RowFailed) << "Can't execute command RESET"
                        << false;
    QTest::newRow("-205") << -205 << CalibrationCancelled << int(RowWarned)
                          << "Can't execute command RESET" << true;
    QTest::newRow("-206") << -206 << CalibrationCancelled << int(RowWarned)
                          << "Can't execute command GETS" << true;
    QTest::newRow("-209") << -209 << CalibrationCancelled << int(RowWarned) << "Can't set timeout"
                          << true;
    // Outside the table: the state only.
    QTest::newRow("-9") << -9 << Before << int(RowFailed) << QString() << false;
    QTest::newRow("-150") << -150 << Before << int(RowFailed) << QString() << false;
    QTest::newRow("-199") << -199 << Before << int(RowFailed) << QString() << false;
    QTest::newRow("-210") << -210 << Before << int(RowWarned) << QString() << true;
    QTest::newRow("-1000") << -1000 << Before << int(RowWarned) << QString() << true;
}

void tst_JobResults::progressShown()
{
    QFETCH(int, percents);
    QFETCH(QString, status);
    QFETCH(int, state);
    QFETCH(QString, message);
    QFETCH(bool, quietPeriod);

    Bench bench;
    Zelkor *window = bench.open();
    QVERIFY(window);
    RowHistory history(deviceList(*window), statusBar(*window));
    auto *item = new QTreeWidgetItem(deviceList(*window));
    item->setText(0, PortNameMap::portName(RowPort));
    item->setText(4, Before);
    window->setRowState(item, RowBusy);

    window->updateProgress(PortNameMap::portName(RowPort), percents);
    QCOMPARE(item->text(4), status);
    QCOMPARE(item->data(0, RowStateRole).toInt(), state);
    QCOMPARE(history.messages(), message.isEmpty() ? QStringList() : QStringList {message});
    QCOMPARE(window->withinQuietPeriod(), quietPeriod);
    QVERIFY(!window->busy);
}

// Signals and slots are matched by the meta-object's method indices, which follow the order of
// declaration.
void tst_JobResults::slotOrder()
{
    const QMetaObject &meta = Zelkor::staticMetaObject;
    QStringList publicSlots;
    for (int index = meta.methodOffset(); index < meta.methodCount(); ++index) {
        const QMetaMethod method = meta.method(index);
        if (method.methodType() == QMetaMethod::Slot && method.access() == QMetaMethod::Public)
            publicSlots.append(QString::fromLatin1(method.methodSignature()));
    }
    QCOMPARE(publicSlots,
             (QStringList {"refresh()", "updateFirmware()", "Calibrate()",
                           "add_items(QStringList,QList<TDevices>)", "updateProgress(QString,int)",
                           "updateFinished(UpdateThread*,QString,int,int)", "selectionChanged()"}));
    const QMetaMethod finished = meta.method(meta.indexOfSlot(
        QMetaObject::normalizedSignature("updateFinished(UpdateThread*,QString,int,int)")));
    QCOMPARE(finished.parameterNames(),
             (QByteArrayList {"thread", "devicename", "update_result", "calb_result"}));
}

QTEST_MAIN(tst_JobResults)
#include "tst_jobresults.moc"
