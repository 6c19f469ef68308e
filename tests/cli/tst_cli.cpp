#include "CliOptions.h"
#include "ComPort.h"
#include "ProgressOutput.h"
#include "SecondOpener.h"
#include "Ser2netServer.h"
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
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int RunTimeoutMs = 90000;
constexpr int StartTimeoutMs = 20000;
// About the time a scan's probe holds a port.
constexpr unsigned long ProbeMs = 150;

// Devices, by port number. Each has a serial number of its own (COM5 5005, COM6 6006, ...), so
// that a log row shows whose scan record it carries.
enum Port { Updated = 5, Failing = 6, Calibrated = 7, Stopped = 8, Ended = 10 };
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
    void listSameUnderEveryLocale();
    void listWaitsForHeldPort_data();
    void listWaitsForHeldPort();
    void jobs();
    void endedFromOutside_data();
    void endedFromOutside();
    void fitsTheTerminal_data();
    void fitsTheTerminal();

private:
    SimulatedDevice *add(int port, const QList<DeviceFault> &faults = {});
    // progress: a descriptor that takes standard error instead of this test; lang: LANG.
    std::unique_ptr<QProcess> start(const QStringList &arguments, int progress = -1,
                                    const QString &lang = QStringLiteral("C.UTF-8"));
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

SimulatedDevice *tst_Cli::add(int port, const QList<DeviceFault> &faults)
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.serialNumber = port * SerialPerPort;
    SimulatedDevice *device = ports.add(port, profile, faults);
    QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Ports/COM%1").arg(port), device ? device->portPath() : "");
    return device;
}

std::unique_ptr<QProcess> tst_Cli::start(const QStringList &arguments, int progress,
                                         const QString &lang)
{
    auto run = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), lang);
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LANGUAGE"));
    run->setProcessEnvironment(environment);
    if (progress >= 0)
        run->setChildProcessModifier([progress] { ::dup2(progress, STDERR_FILENO); });
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
           "attempts,result code,result text,seconds,serial after\r")
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
    QTest::newRow("decimal comma, verbose")
        << QStringList {"-v", "calibrate", "--voltage", "12,5", "COM5"} << false << 2
        << "12,5 is not a number; write 12.5";
    QTest::newRow("help of a command, after its options")
        << QStringList {"calibrate", "--voltage", "12", "-h"} << false << 0
        << "Usage: zelkor-cli calibrate --voltage";
    // Ports opened and closed, the file read: nothing else.
    QTest::newRow("dry run, a name in lower case")
        << QStringList {"update", "--dry-run", "--file", good, "com5"} << false << 0
        << "\\\\.\\COM5 " + ports.device(5)->portPath() + ": ready for update (dry run)";
    QTest::newRow("voltage not a number, JSON")
        << QStringList {"calibrate", "--json", "--voltage", "nan", "COM5"} << false << 2
        << "between 3.00 and 40.00 V";
    QTest::newRow("missing file")
        << QStringList {"update", "--file", "none.cod", "COM5"} << false << 2
        << "The firmware file none.cod could not be opened: it does not exist";
    QTest::newRow("unknown port") << QStringList {"calibrate", "--voltage", "12", "COM5", "COM200"}
                                  << false << 2 << "unknown port \\\\.\\COM200";
    QTest::newRow("one port by name and by path")
        << QStringList {"calibrate", "--voltage", "12", "COM5", "{path5}"} << false << 2
        << "\\\\.\\COM5 is named twice";
    QTest::newRow("device server address of another form")
        << QStringList {"update", "--file", good, "rfc2217://bench3:30O1"} << false << 2
        << "rfc2217://bench3:30O1 is not of the form rfc2217://HOST:PORT";
    const QString server = QStringLiteral("127.0.0.1:%1").arg(Ser2netServer::freePort());
    QTest::newRow("device server refusing the connection")
        << QStringList {"update", "--file", good, "COM6", "rfc2217://" + server} << false << 3
        << "rfc2217://" + server + ": no connection to the device server " + server
            + " (Connection refused)";
    QTest::newRow("one device by two names")
        << QStringList {"calibrate", "--voltage", "12", "COM5", "COM11"} << false << 2
        << "is named twice: as \\\\.\\COM5 and \\\\.\\COM11";
    QTest::newRow("one remote port by two names")
        << QStringList {"calibrate", "--voltage", "12", "COM12", "COM13"} << false << 2
        << "is named twice: as \\\\.\\COM12 and \\\\.\\COM13";
    QTest::newRow("port held by another opener, JSON")
        << QStringList {"update", "--json", "--file", good, "COM6", "\\\\.\\COM5"} << true << 3
        << "\\\\.\\COM5: " + ports.device(5)->portPath() + " is in use by tst_cli (process "
            + QString::number(QCoreApplication::applicationPid()) + ")";
}

// Nothing on any wire, and an exit status that says why: what can be checked or answered
// before a job is.
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
    // COM11 stands for COM5's device too, COM12 and COM13 for one device server's port.
    QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
    const QString server = QStringLiteral("rfc2217://127.0.0.1:9");
    const QStringList aliases {ports.device(Updated)->portPath(), server, server};
    for (int i = 0; i < aliases.size(); ++i)
        settings.setValue(QStringLiteral("Ports/COM%1").arg(11 + i), aliases[i]);
    settings.sync();

    const auto run = start(arguments);
    finish(*run, exitCode);
    for (int i = 0; i < aliases.size(); ++i)
        settings.setValue(QStringLiteral("Ports/COM%1").arg(11 + i), QString());
    const QByteArray out = run->readAllStandardOutput();
    QVERIFY2((exitCode ? run->readAllStandardError() : out).contains(reason.toUtf8()),
             qPrintable(reason));
    // A script that asked for JSON can tell what went wrong from it.
    const QJsonObject json = QJsonDocument::fromJson(out).object();
    QCOMPARE(json.value("exit_code").toInt(), arguments.contains("--json") ? exitCode : 0);
    QVERIFY(!arguments.contains("--json")
            || json.value("errors").toArray().first().toString().contains(reason));
    QCOMPARE(ports.device(Updated)->log().size() + ports.device(Failing)->log().size(), 0);
    QVERIFY(!QFile::exists(dir.filePath("zelkor-jobs.csv")));
}

// Scripts read the same JSON whatever the user's language: values, not the list's texts.
// People read the list in theirs.
void tst_Cli::listSameUnderEveryLocale()
{
    const QString path = ports.add(12, DeviceProfile::loader())->portPath();
    QSettings(dir.filePath("settings.ini"), QSettings::IniFormat).setValue("Ports/COM12", path);
    QByteArrayList outputs;
    for (const QString lang : {"C", "en_US.UTF-8", "ru_RU.UTF-8"}) {
        const auto run = start({"list", "--json"}, -1, lang);
        finish(*run, 0);
        outputs << run->readAllStandardOutput();
    }
    const auto human = start({"list"}, -1, "ru_RU.UTF-8");
    finish(*human, 0);
    const QStringList lines = QString::fromUtf8(human->readAllStandardOutput()).split('\n');
    QCOMPARE(
        lines.first(),
        QStringLiteral("ПОРТ\tПУТЬ К УСТРОЙСТВУ\tСЕРИЙНЫЙ НОМЕР\tОПИСАНИЕ\tПРОШИВКА\tСОСТОЯНИЕ"));
    QVERIFY(lines.contains(
        QStringLiteral("\\\\.\\COM12\t%1\tн/д\tн/д\tНет прошивки\tГотов").arg(path)));
    ports.remove(12);
    QSettings(dir.filePath("settings.ini"), QSettings::IniFormat).setValue("Ports/COM12", "");
    QCOMPARE(outputs[1], outputs[0]);
    QCOMPARE(outputs[2], outputs[0]);
    QJsonObject listed = QJsonDocument::fromJson(outputs[0])["devices"].toArray().last().toObject();
    QCOMPARE(listed.take("device_path").toString(), path);
    QCOMPARE(listed,
             QJsonDocument::fromJson(R"({"port": "\\\\.\\COM12", "serial": null,
        "description": null, "firmware": null, "status": "no_firmware"})")
                 .object());
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

    const auto update = start({"update", "--file", firmware, "--retries", "1", "COM5", "COM6"});
    // The job log reads the same whatever language its writers speak.
    const QString russian = QStringLiteral("ru_RU.UTF-8");
    const auto calibrate = start({"calibrate", "--voltage", "12.5", "--json", "COM7"}, -1, russian);
    const auto stopped =
        start({"update", "--file", firmware, "--retries", "0", "COM8"}, -1, russian);
    stopped->setReadChannel(QProcess::StandardError);
    QTRY_VERIFY_WITH_TIMEOUT(stopped->bytesAvailable() > 0, StartTimeoutMs);
    ::kill(pid_t(stopped->processId()), SIGINT);

    finish(*update, 1);
    // The results alone, the progress beside them on standard error.
    const QByteArrayList lines = update->readAllStandardOutput().split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], "\\\\.\\COM5 serial 5005: ok 3.1.4");
    QVERIFY(lines[1].startsWith("\\\\.\\COM6 serial 6006: failed: Can't execute command NEW "
                                "SECTION. The loader refused a section of the firmware"));
    QVERIFY(update->readAllStandardError().contains("\\\\.\\COM5 update 100%\n"));
    // The job stops at the refused command; only the scan after it asks on.
    const QStringList heard = failing->log().requests();
    QVERIFY(heard.contains("NEW SECTION") && !heard.contains("WRITE DATA"));
    finish(*stopped, 130);
    QCOMPARE(QString::fromUtf8(stopped->readAllStandardOutput()),
             QStringLiteral("\\\\.\\COM8 серийный номер 8008: прервано\n"));
    finish(*calibrate, 0);
    const QJsonObject output = QJsonDocument::fromJson(calibrate->readAllStandardOutput()).object();
    QCOMPARE(output.value("format").toInt(), 1);
    const QJsonArray results = output.value("jobs").toArray();
    QCOMPARE(results.size(), 1);
    QJsonObject result = results[0].toObject();
    QVERIFY(result.take("seconds").isDouble());
    QCOMPARE(result.take("device_path").toString(), ports.device(Calibrated)->portPath());
    QCOMPARE(result,
             QJsonDocument::fromJson(R"({"port": "\\\\.\\COM7", "job": "calibrate",
        "serial": 7007, "description": "DL-METER", "firmware": "1.2.345", "serial_after": 7007,
        "firmware_after": "1.2.345", "firmware_file": null, "voltage": 12.5, "attempts": 1,
        "result": "ok", "result_code": 0, "result_text": "ok"})")
                 .object());

    // From the program to the result text, and the serial number after; the time, host and
    // duration vary.
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
        {com(Updated), row(Updated, "update", {"3.1.4", file, sha, "", "1", "0", "ok", "5005"})},
        {com(Failing),
         row(Failing, "update",
             {"", file, sha, "", "1", "-7", "Can't execute command NEW SECTION", ""})},
        {com(Calibrated),
         row(Calibrated, "calibrate", {"1.2.345", "", "", "12.50", "1", "0", "ok", "7007"})},
        {com(Stopped), row(Stopped, "update", {"", file, sha, "", "1", "-99", "Interrupted", ""})},
    };
    const QMap<QString, QStringList> rows = logRows();
    QCOMPARE(rows.keys(), expected.keys());
    for (const QString &port : expected.keys()) {
        QCOMPARE(rows[port].mid(2, 14) + rows[port].mid(17), expected[port]);
        QVERIFY(QDateTime::fromString(rows[port][0], Qt::ISODate).isValid()
                && rows[port][0].contains(QRegularExpression("[+-]\\d\\d:\\d\\d$")));
    }
}

void tst_Cli::endedFromOutside_data()
{
    QTest::addColumn<int>("signalNumber"); // 0: the progress's reader goes after a line
    // Ctrl-C: in jobs().
    QTest::newRow("logged out") << int(SIGTERM);
    QTest::newRow("terminal closed") << int(SIGHUP);
    QTest::newRow("quit key") << int(SIGQUIT);
    QTest::newRow("progress into head -n 1") << 0;
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
        run->setReadChannel(QProcess::StandardError);
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

void tst_Cli::fitsTheTerminal_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("inPlace");

    QTest::newRow("room enough") << 24 << 80 << true;
    // Three lines and the cursor's below them.
    QTest::newRow("as many rows as ports") << 3 << 80 << false;
    QTest::newRow("narrower than a line") << 24 << 20 << false;
}

// The progress on a terminal of a given size, as the far end of a pseudo-terminal sees it:
// lines drawn in place only where all of them fit; else a plain line per tenth, as in a pipe.
// A terminal made smaller on the way gets plain lines from then on.
void tst_Cli::fitsTheTerminal()
{
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(bool, inPlace);
    int master = -1, slave = -1;
    winsize size = {ushort(rows), ushort(columns), 0, 0};
    QVERIFY(::openpty(&master, &slave, nullptr, nullptr, &size) == 0);
    std::FILE *stream = ::fdopen(slave, "w");
    ProgressOutput progress(stream, {"\\\\.\\COM1", "\\\\.\\COM2", "\\\\.\\COM3"});
    // The terminal passes the bytes on a moment after they were written.
    const auto read = [master] {
        QByteArray seen(65536, 0);
        qsizetype got = 0;
        for (pollfd ready {master, POLLIN, 0}; ::poll(&ready, 1, 100) == 1;)
            got += qMax<ssize_t>(0, ::read(master, seen.data() + got, size_t(seen.size() - got)));
        return seen.left(got);
    };
    for (int percent = 0; percent <= 20; percent += 5)
        progress.show("\\\\.\\COM1", {JobProgress::Phase::Update, percent});
    const QByteArray drawn = read();
    QCOMPARE(drawn.contains("\033["), inPlace);
    QCOMPARE(drawn.count("COM1 update"), inPlace ? 5 : 3);

    size.ws_row = 2;
    QVERIFY(::ioctl(slave, TIOCSWINSZ, &size) == 0);
    progress.show("\\\\.\\COM1", {JobProgress::Phase::Update, 30});
    QCOMPARE(read(), QByteArray("\\\\.\\COM1 update 30%\r\n"));
    std::fclose(stream);
    ::close(master);
}

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
