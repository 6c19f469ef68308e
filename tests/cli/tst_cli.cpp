#include "ComPort.h"
#include "SimulatedPorts.h"
#include "TestFirmware.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

constexpr int RunTimeoutMs = 90000;
constexpr int StartTimeoutMs = 20000;

// Devices, by port number. Each has a serial number of its own (COM5 5005, COM6 6006, ...), so
// that a log row shows whose scan record it carries.
enum Port { Updated = 5, Failing = 6, Calibrated = 7, Stopped = 8, Repeated = 9 };
constexpr quint32 SerialPerPort = 1001;

constexpr auto com = &SimulatedPorts::portName;

} // namespace

// zelkor-cli as a production line runs it: the real program in a scratch folder whose
// settings.ini maps its ports to simulated devices.
class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refused_data();
    void refused();
    void jobs();

private:
    SimulatedDevice *add(int port, const QList<DeviceFault> &faults = {},
                         bool bootsOnResetOnly = false);
    std::unique_ptr<QProcess> start(const QStringList &arguments);
    static void finish(QProcess &run, int exitCode);
    // The job log's rows by port, fields split; checks the header on the way.
    QMap<QString, QStringList> logRows();

    QTemporaryDir dir;
    SimulatedPorts ports;
    QString firmware;
};

void tst_Cli::initTestCase()
{
    QVERIFY(dir.isValid());
    firmware = TestFirmware::write(dir, TestFirmware::tenLines());
    QVERIFY(add(Updated) && add(Failing));
}

SimulatedDevice *tst_Cli::add(int port, const QList<DeviceFault> &faults, bool bootsOnResetOnly)
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.serialNumber = port * SerialPerPort;
    profile.bootDelayMs = bootsOnResetOnly ? 0 : profile.bootDelayMs;
    SimulatedDevice *device = ports.add(port, profile, faults);
    QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Ports/COM%1").arg(port), device ? device->portPath() : "");
    return device;
}

std::unique_ptr<QProcess> tst_Cli::start(const QStringList &arguments)
{
    auto run = std::make_unique<QProcess>();
    run->setWorkingDirectory(dir.path());
    run->start(QStringLiteral(ZELKOR_CLI), arguments);
    return run;
}

void tst_Cli::finish(QProcess &run, int exitCode)
{
    QVERIFY(run.waitForFinished(RunTimeoutMs));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.exitCode(), exitCode);
}

QMap<QString, QStringList> tst_Cli::logRows()
{
    QFile log(dir.filePath("zelkor-jobs.csv"));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = log.readAll().split('\n');
    if (lines.takeFirst()
        != "time,host,program,port,device path,job,serial number,description,"
           "firmware before,firmware after,firmware file,firmware sha256,voltage,"
           "attempts,result code,result text,seconds\r")
        return {};
    QMap<QString, QStringList> rows;
    for (const QByteArray &line : std::as_const(lines)) {
        const QStringList fields = QString::fromUtf8(line.trimmed()).split(QLatin1Char(','));
        if (fields.size() > 3)
            rows.insert(fields[3], fields);
    }
    return rows;
}

void tst_Cli::refused_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("holdPort");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("reason");

    const QString good = QStringLiteral("{good}");
    QTest::newRow("no command") << QStringList() << false << 2 << "expected a command";
    QTest::newRow("update without file")
        << QStringList {"update", "COM5"} << false << 2 << "'update' needs --file";
    QTest::newRow("voltage above range")
        << QStringList {"update", "--file", good, "--calibrate", "40.01", "COM5"} << false << 2
        << "between 3.00 and 40.00 V";
    QTest::newRow("option of another command")
        << QStringList {"calibrate", "--voltage", "12", "--retries", "1", "COM5"} << false << 2
        << "--retries does not belong to 'calibrate'";
    QTest::newRow("missing file") << QStringList {"update", "--file", "none.cod", "COM5"} << false
                                  << 2 << "none.cod: Can'n open firmware file";
    QTest::newRow("unknown port") << QStringList {"calibrate", "--voltage", "12", "COM5", "COM200"}
                                  << false << 2 << "unknown port \\\\.\\COM200";
    QTest::newRow("one port by name and by path")
        << QStringList {"calibrate", "--voltage", "12", "COM5", "{path5}"} << false << 2
        << "\\\\.\\COM5 is named twice";
    QTest::newRow("port held by another opener")
        << QStringList {"update", "--file", good, "COM6", "\\\\.\\COM5"} << true << 3
        << "\\\\.\\COM5: " + ports.device(5)->portPath() + " is in use by tst_cli (process "
            + QString::number(QCoreApplication::applicationPid()) + ")";
}

// Nothing on any wire, and an exit status that says why.
void tst_Cli::refused()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, holdPort);
    QFETCH(int, exitCode);
    QFETCH(QString, reason);
    arguments.replaceInStrings("{good}", firmware);
    arguments.replaceInStrings("{path5}", ports.device(Updated)->portPath());
    ComPort holder;
    QVERIFY(!holdPort || holder.open(SimulatedPorts::portNameBytes(Updated), StopBits::Two));

    const auto run = start(arguments);
    finish(*run, exitCode);
    QVERIFY2(run->readAllStandardError().contains(reason.toUtf8()), qPrintable(reason));
    QCOMPARE(ports.device(Updated)->log().size() + ports.device(Failing)->log().size(), 0);
    QVERIFY(!QFile::exists(dir.filePath("zelkor-jobs.csv")));
}

// Three programs at once on one job log: three updates, of which one fails and one leaves a
// device that ignores the reset into its new firmware, a calibration with JSON output, and an
// update stopped with SIGINT.
void tst_Cli::jobs()
{
    add(Updated);
    SimulatedDevice *failing =
        add(Failing, {DeviceFault::on("NEW SECTION", DeviceFault::BadStatus, 0, -1)});
    add(Calibrated);
    add(Stopped);
    add(Repeated, {DeviceFault::on("RESET", DeviceFault::NoReply, 1, -1)}, true);

    const auto update =
        start({"update", "--file", firmware, "--retries", "1", "COM5", "COM6", "COM9"});
    const auto calibrate = start({"calibrate", "--voltage", "12.5", "--json", "COM7"});
    const auto stopped = start({"update", "--file", firmware, "--retries", "0", "COM8"});
    QTRY_VERIFY_WITH_TIMEOUT(stopped->bytesAvailable() > 0, StartTimeoutMs);
    ::kill(pid_t(stopped->processId()), SIGINT);

    finish(*update, 1);
    const QByteArrayList lines = update->readAllStandardOutput().split('\n');
    QCOMPARE(lines.mid(lines.size() - 4),
             QByteArrayList({"\\\\.\\COM5 ok 3.1.4",
                             "\\\\.\\COM6 failed: Can't execute command NEW SECTION",
                             "\\\\.\\COM9 failed: Device still asks for firmware", ""}));
    QCOMPARE(failing->log().requests().last(), QStringLiteral("NEW SECTION"));
    finish(*stopped, 130);
    QVERIFY(stopped->readAllStandardOutput().endsWith("\\\\.\\COM8 interrupted\n"));
    finish(*calibrate, 0);
    const QJsonArray results = QJsonDocument::fromJson(calibrate->readAllStandardOutput()).array();
    QCOMPARE(results.size(), 1);
    QJsonObject result = results[0].toObject();
    QVERIFY(result.take("seconds").isDouble());
    QCOMPARE(result,
             QJsonObject({{"port", com(Calibrated)},
                          {"device_path", ports.device(Calibrated)->portPath()},
                          {"serial_number", "7007"},
                          {"firmware_before", "1.2.345"},
                          {"firmware_after", "1.2.345"},
                          {"result_code", 0},
                          {"result_text", "ok"}}));

    // From the program to the result text; the time, host and duration vary.
    const QString file = QFileInfo(firmware).fileName();
    const QString sha =
        QCryptographicHash::hash(TestFirmware::tenLines(), QCryptographicHash::Sha256).toHex();
    const auto row = [&](int port, const QString &job, const QStringList &rest) {
        const QString path = ports.device(port)->portPath(),
                      serial = QString::number(port * SerialPerPort);
        return QStringList {"zelkor-cli", com(port), path, job, serial, "DL-METER", "1.2.345"}
        + rest;
    };
    const QMap<QString, QStringList> expected {
        {com(Updated), row(Updated, "update", {"3.1.4", file, sha, "", "1", "0", "ok"})},
        {com(Failing),
         row(Failing, "update",
             {"", file, sha, "", "1", "-7", "Can't execute command NEW SECTION"})},
        {com(Calibrated),
         row(Calibrated, "calibrate", {"1.2.345", "", "", "12.50", "1", "0", "ok"})},
        {com(Repeated),
         row(Repeated, "update",
             {"", file, sha, "", "2", "-90", "Device still asks for firmware"})},
        {com(Stopped), row(Stopped, "update", {"", file, sha, "", "1", "-99", "Interrupted"})},
    };
    const QMap<QString, QStringList> rows = logRows();
    QCOMPARE(rows.keys(), expected.keys());
    for (const QString &port : expected.keys()) {
        QCOMPARE(rows[port].mid(2, 14), expected[port]);
        QVERIFY(QDateTime::fromString(rows[port][0], Qt::ISODate).isValid()
                && rows[port][0].contains(QRegularExpression("[+-]\\d\\d:\\d\\d$")));
    }
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
