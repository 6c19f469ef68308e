#include "CliOptions.h"
#include "ComPort.h"
#include "SecondOpener.h"
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
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr int RunTimeoutMs = 90000;
constexpr int StartTimeoutMs = 20000;
// About the time a scan's probe holds a port.
constexpr unsigned long ProbeMs = 150;

// Devices, by port number. Each has a serial number of its own (COM5 5005, COM6 6006, ...), so
// that a log row shows whose scan record it carries.
enum Port { Updated = 5, Failing = 6, Calibrated = 7, Stopped = 8, Repeated = 9, Ended = 10 };
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
    void voltageBounds_data();
    void voltageBounds();
    void refused_data();
    void refused();
    void listWaitsForHeldPort_data();
    void listWaitsForHeldPort();
    void jobs();
    void endedFromOutside_data();
    void endedFromOutside();

private:
    SimulatedDevice *add(int port, const QList<DeviceFault> &faults = {},
                         bool bootsOnResetOnly = false);
    // output: a descriptor that takes standard output instead of this test.
    std::unique_ptr<QProcess> start(const QStringList &arguments, int output = -1);
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
    {
        // The machine's own serial ports hidden: only the simulated devices are there.
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        for (int port = 1; port <= 255; ++port)
            settings.setValue(QStringLiteral("Ports/COM%1").arg(port), QString());
    }
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

std::unique_ptr<QProcess> tst_Cli::start(const QStringList &arguments, int output)
{
    auto run = std::make_unique<QProcess>();
    if (output >= 0)
        run->setChildProcessModifier([output] { ::dup2(output, STDOUT_FILENO); });
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

void tst_Cli::voltageBounds_data()
{
    QTest::addColumn<QString>("volts");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("2.99") << "2.99" << false;
    QTest::newRow("3.00") << "3.00" << true;
    QTest::newRow("40.00") << "40.00" << true;
    QTest::newRow("40.01") << "40.01" << false;
}

// Both ends of the range are voltages a user may calibrate at, with either option.
void tst_Cli::voltageBounds()
{
    QFETCH(QString, volts);
    QFETCH(bool, accepted);
    for (const QStringList &job : {QStringList {"calibrate", "--voltage"},
                                   QStringList {"update", "--file", firmware, "--calibrate"}}) {
        const CliOptions options =
            CliOptions::parse(QStringList {"zelkor-cli"} + job + QStringList {volts, "COM5"});
        QCOMPARE(options.exitNow.has_value(), !accepted);
        QCOMPARE(options.voltage, accepted ? std::optional(volts.toDouble()) : std::nullopt);
    }
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
    QTest::newRow("voltage not a number, JSON")
        << QStringList {"calibrate", "--json", "--voltage", "nan", "COM5"} << false << 2
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
    // COM11 is mapped to COM5's device as well.
    QTest::newRow("one device by two names")
        << QStringList {"calibrate", "--voltage", "12", "COM5", "COM11"} << false << 2
        << "is named twice: as \\\\.\\COM5 and \\\\.\\COM11";
    QTest::newRow("port held by another opener, JSON")
        << QStringList {"update", "--json", "--file", good, "COM6", "\\\\.\\COM5"} << true << 3
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
    QSettings(dir.filePath("settings.ini"), QSettings::IniFormat)
        .setValue("Ports/COM11", ports.device(Updated)->portPath());

    const auto run = start(arguments);
    finish(*run, exitCode);
    QSettings(dir.filePath("settings.ini"), QSettings::IniFormat).setValue("Ports/COM11", "");
    QVERIFY2(run->readAllStandardError().contains(reason.toUtf8()), qPrintable(reason));
    // A script that asked for JSON can tell what went wrong from it.
    const QJsonObject json = QJsonDocument::fromJson(run->readAllStandardOutput()).object();
    QCOMPARE(json.value("exit_code").toInt(), arguments.contains("--json") ? exitCode : 0);
    QVERIFY(!arguments.contains("--json")
            || json.value("errors").toArray().first().toString().contains(reason));
    QCOMPARE(ports.device(Updated)->log().size() + ports.device(Failing)->log().size(), 0);
    QVERIFY(!QFile::exists(dir.filePath("zelkor-jobs.csv")));
}

void tst_Cli::listWaitsForHeldPort_data()
{
    QTest::addColumn<bool>("heldThroughout");
    // As by a window's scan that asks the device just then.
    QTest::newRow("held for a moment") << false;
    QTest::newRow("held throughout") << true;
}

// A port that another program holds for a moment is listed once it is free; one that stays
// held is named, and the exit code says that the list is not complete.
void tst_Cli::listWaitsForHeldPort()
{
    QFETCH(bool, heldThroughout);
    DeviceProfile titled = DeviceProfile::ready();
    titled.serialNumber = Updated * SerialPerPort;
    titled.description = "\x1B]0;X\aDL"; // would set the terminal's title
    const QString path = ports.add(Updated, titled)->portPath();
    QSettings(dir.filePath("settings.ini"), QSettings::IniFormat).setValue("Ports/COM5", path);
    ComPort holder;
    QVERIFY(holder.open(SimulatedPorts::portNameBytes(Updated), StopBits::Two));
    const int opens = inotify_init1(IN_CLOEXEC);
    QVERIFY(opens >= 0 && inotify_add_watch(opens, QFile::encodeName(path), IN_OPEN) >= 0);

    const auto run = start({"list"});
    // Let go a moment after the program has tried the port, as a scan's probe would.
    pollfd tried {opens, POLLIN, 0};
    QVERIFY(heldThroughout || ::poll(&tried, 1, StartTimeoutMs) == 1);
    if (!heldThroughout) {
        QThread::msleep(ProbeMs);
        holder.close();
    }
    ::close(opens);
    finish(*run, heldThroughout ? 3 : 0);
    const QByteArray listed =
        com(Updated).toUtf8() + '\t' + path.toUtf8() + "\t5005\t\\x1B]0;X\\x07DL\t";
    QCOMPARE(run->readAllStandardOutput().contains(listed), !heldThroughout);
    QCOMPARE(run->readAllStandardError().contains(path.toUtf8() + " is in use by tst_cli"),
             heldThroughout);
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

void tst_Cli::endedFromOutside_data()
{
    QTest::addColumn<int>("signalNumber"); // 0: standard output's reader goes after a line
    // Ctrl-C: in jobs().
    QTest::newRow("logged out") << int(SIGTERM);
    QTest::newRow("terminal closed") << int(SIGHUP);
    QTest::newRow("quit key") << int(SIGQUIT);
    QTest::newRow("output into head -n 1") << 0;
}

// The job stops after the exchange in progress and gets its row in the job log, the port is
// given back as it was found.
void tst_Cli::endedFromOutside()
{
    QFETCH(int, signalNumber);
    QVERIFY(add(Ended));
    const QString log = dir.filePath("ended.csv");
    QFile::remove(log);
    int pipe[2];
    QVERIFY(::pipe2(pipe, O_CLOEXEC) == 0);
    const auto run = start({"update", "--file", firmware, "--job-log", log, com(Ended)},
                           signalNumber ? -1 : pipe[1]);
    ::close(pipe[1]);
    if (signalNumber) {
        QTRY_VERIFY_WITH_TIMEOUT(run->bytesAvailable() > 0, StartTimeoutMs);
        ::kill(pid_t(run->processId()), signalNumber);
    }
    for (char byte = 0; !signalNumber && byte != '\n' && ::read(pipe[0], &byte, 1) == 1;) { }
    ::close(pipe[0]);
    finish(*run, 130);
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArrayList lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[1].contains(",-99,Interrupted,"), lines[1].constData());
    QVERIFY(!SecondOpener(ports.device(Ended)->portPath()).isExclusive());
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
