#include "DeviceThread.h"
#include "JobController.h"
#include "ProtocolTiming.h"
#include "SimulatedPorts.h"
#include "TestFirmware.h"
#include "Translations.h"
#include "crc16.h"

#include <QCryptographicHash>
#include <QtTest>

#include <memory>

using Faults = QList<DeviceFault>;

namespace {

constexpr int Port = 3;
constexpr int JobTimeoutMs = 30000;

// A meter whose loader starts the firmware on a reset, or by itself after bootDelayMs (0: never):
// an update's last reset that it ignores leaves it asking for firmware.
DeviceProfile meter(int bootDelayMs = 0)
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.serialNumber = 12345;
    profile.bootDelayMs = bootDelayMs;
    return profile;
}

// The reset that ends the first update; the one before it put the device into its loader.
DeviceFault onRestart(DeviceFault::Kind kind, int times = 1)
{
    return DeviceFault::on("RESET", kind, 1, times);
}

// The check's status question, the second after the scan's, answered as by a loader without
// firmware.
DeviceFault checkAsksForFirmware()
{
    QByteArray asks("\0\0\0\0nn", 6);
    const quint16 sum = crc16(asks.constData(), unsigned(asks.size()));
    DeviceFault fault = DeviceFault::on("1g", DeviceFault::Garbage, 1);
    fault.payload = asks.append(char(sum & 0xff)).append(char(sum >> 8));
    return fault;
}

} // namespace

// The life of a job as both programs run it, without a window: what the controller reports
// and what the job log gets.
class tst_JobController : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void checkAfterUpdate_data();
    void checkAfterUpdate();
    void stop_data();
    void stop();
    void besideTheScan();
    void erasedByFailedUpdate();

private:
    // The controller under test, with what it reported.
    struct Run
    {
        explicit Run(DeviceThread *scanner = nullptr)
            : jobs(QStringLiteral("zelkor"), JobLog(QStringLiteral("jobs.csv")), scanner)
        {
            connect(&jobs, &JobController::repeating, &jobs, [this] { ++repeats; });
            connect(&jobs, &JobController::finished, &jobs,
                    [this](const JobRecord &record) { finished.append(record.resultCode); });
            connect(&jobs, &JobController::recorded, &jobs,
                    [this](const JobRecord &record, const QString &reason) {
                        records.append(record);
                        QVERIFY2(reason.isEmpty(), qPrintable(reason));
                    });
        }
        bool recorded() { return QTest::qWaitFor([this] { return !records.isEmpty(); }, JobTimeoutMs); }

        JobController jobs;
        int repeats = 0;
        QList<JobResult::Code> finished;
        QList<JobRecord> records;
    };

    JobOrder update(JobKind kind = JobKind::Update) const
    {
        return {kind, TestFirmware::write(dir, TestFirmware::tenLines()), 12.0,
                JobOrder::DefaultRepeats};
    }

    QTemporaryDir dir;
    const QString PortName = SimulatedPorts::portName(Port);
};

void tst_JobController::init()
{
    ProtocolTiming::setScale(0.01);
    ProtocolTiming::setTimeoutScale(1.0);
    QDir::setCurrent(dir.path());
}

void tst_JobController::checkAfterUpdate_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<int>("repeats");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("runs"); // of the whole update

    using namespace JobResult;
    // Still booting, it answers later than a scan would wait, within the check's margin.
    DeviceFault lateCheck = DeviceFault::on("1g", DeviceFault::LateTail, 1);
    lateCheck.bytes = 8; // the whole reply
    lateCheck.delayMs = 200;
    QTest::newRow("new firmware answers, late") << Faults {lateCheck} << 3 << int(Ok) << 1;
    QTest::newRow("asks once, a repeat allowed")
        << Faults {checkAsksForFirmware()} << 1 << int(Ok) << 2;
    QTest::newRow("asks once, no repeat allowed")
        << Faults {checkAsksForFirmware()} << 0 << int(FirmwareNotTaken) << 1;
    QTest::newRow("keeps asking") << Faults {onRestart(DeviceFault::NoReply, -1)} << 2
                                  << int(FirmwareNotTaken) << 3;
    QTest::newRow("pulled at the restart")
        << Faults {onRestart(DeviceFault::Unplug)} << 3 << int(DeviceLost) << 1;
    // The status question of the scan before the job is answered, the check's is not.
    QTest::newRow("silent after the restart")
        << Faults {DeviceFault::on("1g", DeviceFault::NoReply, 1, -1)} << 3 << int(DeviceLost)
        << 1;
}

// The check after an update decides: done, the whole job again while repeats are left, or
// the device lost. Each run counts as an attempt.
void tst_JobController::checkAfterUpdate()
{
    QFETCH(Faults, faults);
    QFETCH(int, repeats);
    QFETCH(int, result);
    QFETCH(int, runs);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, meter(), faults);
    QVERIFY(device);
    Run run;
    JobOrder order = update();
    order.repeats = repeats;
    run.jobs.start(PortName, order);
    QVERIFY(run.recorded());

    QCOMPARE(run.finished, QList<JobResult::Code> {JobResult::Code(result)});
    QCOMPARE(run.repeats, runs - 1);
    QCOMPARE(run.records.first().attempts, runs);
    QCOMPARE(int(run.records.first().resultCode), result);
    QCOMPARE(device->log().requests().count("DISCONNECT"), runs);
    QCOMPARE(run.jobs.running(), 0);
}

void tst_JobController::stop_data()
{
    QTest::addColumn<Faults>("faults");
    QTest::addColumn<QString>("stopAt"); // the request after which the job is stopped
    QTest::addColumn<int>("occurrence"); // of that request
    QTest::addColumn<int>("attempts");

    // Each of these answers slowly: the stop comes while the job waits for the answer.
    DeviceFault slowScan = DeviceFault::on("1g", DeviceFault::Split);
    slowScan.bytes = 1;
    slowScan.delayMs = 100;
    DeviceFault slowCheck = slowScan;
    slowCheck.skip = 1;
    DeviceFault slowWrite = DeviceFault::on("WRITE DATA", DeviceFault::LateTail);
    QTest::newRow("scanning the port first") << Faults {slowScan} << "1g" << 1 << 0;
    QTest::newRow("writing the firmware") << Faults {slowWrite} << "WRITE DATA" << 1 << 1;
    QTest::newRow("checking after the update") << Faults {slowCheck} << "1g" << 2 << 1;
}

// A stop ends the job after the exchange in progress, in whatever phase it is: the device
// hears nothing more and the job is logged as interrupted.
void tst_JobController::stop()
{
    QFETCH(Faults, faults);
    QFETCH(QString, stopAt);
    QFETCH(int, occurrence);
    QFETCH(int, attempts);

    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, meter(), faults);
    QVERIFY(device);
    Run run;
    run.jobs.start(PortName, update());
    QVERIFY(QTest::qWaitFor(
        [&] { return device->log().requests().count(stopAt) == occurrence; }, JobTimeoutMs));
    run.jobs.stopAll();

    QCOMPARE(run.jobs.running(), 0);
    QCOMPARE(run.records.size(), 1);
    const JobRecord &record = run.records.first();
    QCOMPARE(record.resultCode, JobResult::Interrupted);
    QCOMPARE(record.resultText, QStringLiteral("Interrupted"));
    QCOMPARE(record.attempts, attempts);
    const int heard = device->log().size();
    QTest::qWait(200);
    QCOMPARE(device->log().size(), heard);
}

// Beside the window's scan: the job takes its port from the scan and gives it back, its record
// starts from the scan's last pass and waits for the next one to learn the firmware the update
// left. A job stopped while its record waits keeps its result.
void tst_JobController::besideTheScan()
{
    // The calibration's last ticks outlast the device's restart.
    ProtocolTiming::setScale(0.1);
    SimulatedPorts ports;
    SimulatedDevice *device = ports.add(Port, meter(250));
    QVERIFY(device);
    DeviceThread scanner;
    QStringList listed;
    connect(&scanner, &DeviceThread::finish, this,
            [&listed](const QStringList &all) { listed = all; });
    // The pass's signal is queued to this thread, for the test and the controller.
    const auto pass = [&scanner] {
        scanner.start();
        const bool ended = scanner.wait(JobTimeoutMs);
        QCoreApplication::processEvents();
        return ended;
    };
    Run run(&scanner);
    QVERIFY(pass());
    QCOMPARE(listed, QStringList {PortName});

    const JobOrder order = update(JobKind::UpdateThenCalibrate);
    run.jobs.start(PortName, order);
    QVERIFY(QTest::qWaitFor([&] { return device->log().requests().contains("CONNECT"); },
                            JobTimeoutMs));
    QVERIFY(pass());
    QVERIFY(listed.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return !run.finished.isEmpty(); }, JobTimeoutMs));
    QTest::qWait(100);
    QVERIFY(run.records.isEmpty());
    QVERIFY(pass());
    QCOMPARE(listed, QStringList {PortName});
    QVERIFY(run.recorded());

    JobRecord record = run.records.first();
    QVERIFY(record.seconds > 0 && record.time.isValid() && !record.host.isEmpty());
    QFile file(order.firmwareFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList fields {record.program,
                              record.port,
                              record.devicePath,
                              JobRecord::jobName(record.kind),
                              record.serialNumber,
                              record.description,
                              record.firmwareBefore,
                              record.firmwareAfter,
                              record.firmwareFile,
                              record.firmwareSha256,
                              QString::number(record.voltage.value_or(-1)),
                              QString::number(record.attempts),
                              QString::number(record.resultCode),
                              record.resultText,
                              record.serialAfter};
    QCOMPARE(fields,
             (QStringList {"zelkor", PortName, device->portPath(), "update+calibrate", "12345",
                           "DL-METER", "1.2.345", "3.1.4", QFileInfo(file).fileName(),
                           QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                               .toHex(),
                           "12", "1", "0", "ok", "12345"}));

    // No pass comes after this one before the program stops.
    run.records.clear();
    run.jobs.start(PortName, update());
    QVERIFY(QTest::qWaitFor([&] { return run.finished.size() == 2; }, JobTimeoutMs));
    run.jobs.stopAll();
    QCOMPARE(run.records.size(), 1);
    QCOMPARE(run.records.first().resultCode, JobResult::Ok);
    QCOMPARE(run.records.first().firmwareBefore, QStringLiteral("3.1.4"));
    QVERIFY(run.records.first().firmwareAfter.isEmpty());
}

// A chip erased by a failed update tells no serial number; the next job's row gets it back after
// the job. Rows read the same under the window's Russian texts.
void tst_JobController::erasedByFailedUpdate()
{
    QVERIFY(Translations::install(*QCoreApplication::instance(), QStringLiteral("ru")));
    SimulatedPorts ports;
    QVERIFY(ports.add(Port, meter(), {DeviceFault::on("NEW SECTION", DeviceFault::BadStatus)}));
    Run run;
    run.jobs.start(PortName, update());
    QVERIFY(run.recorded());
    run.jobs.start(PortName, update());
    QVERIFY(QTest::qWaitFor([&] { return run.records.size() == 2; }, JobTimeoutMs));
    QStringList identities;
    for (const JobRecord &r : std::as_const(run.records))
        identities << QStringList {r.serialNumber, r.description, r.firmwareBefore, r.serialAfter,
                                   r.firmwareAfter, r.resultText}.join(',');
    QCOMPARE(identities, (QStringList {"12345,DL-METER,1.2.345,,,Can't execute command NEW SECTION",
                                       ",,,12345,3.1.4,ok"}));
}

QTEST_GUILESS_MAIN(tst_JobController)
#include "tst_jobcontroller.moc"
