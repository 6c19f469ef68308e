#include "ComPort.h"
#include "SimulatedPorts.h"
#include "TestFirmware.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>

namespace {

constexpr int RunTimeoutMs = 120000;
constexpr int PortCount = 255;

// COM5 and COM7 are reached by both builds, COM6 by the Linux build alone: it takes the jobs
// that COM5 takes under Wine, on a device of the same kind, so that the two wire logs compare.
enum Port { Windows = 5, Linux = 6, Loader = 7 };

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Every request the device heard and every reply it gave, in order.
QByteArrayList exchanges(const SimulatedDevice &device)
{
    QByteArrayList all;
    for (const WireRecord &record : device.log().records())
        all << record.request.toUtf8() + ": " + record.bytes.toHex() + " > " + record.reply.toHex();
    return all;
}

} // namespace

// zelkor-cli.exe under Wine against simulated devices, with the Linux build of the same program
// as the measure: the Wine prefix's COM ports lead to the devices' pseudo-terminals. Run by
// scripts/windows --test, which gives the program in ZELKOR_CLI_EXE, the Linux one in
// ZELKOR_CLI and the prefix in WINEPREFIX.
class tst_CliWine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void list();
    void jobs_data();
    void jobs();
    void heldPort();
    void interrupted();

private:
    // meanwhile: what to do while the program runs.
    Run run(bool windows, const QStringList &arguments,
            const std::function<void(QProcess &)> &meanwhile = {});
    void linkPort(int port, const QString &target);

    QTemporaryDir windowsDir;
    QTemporaryDir linuxDir;
    SimulatedPorts ports;
};

void tst_CliWine::initTestCase()
{
    QVERIFY(windowsDir.isValid() && linuxDir.isValid());
    QVERIFY(ports.add(Windows) && ports.add(Linux) && ports.add(Loader, DeviceProfile::loader()));
    // Both builds see only these devices: Windows by their own names, Linux through the map.
    QSettings windows(windowsDir.filePath("settings.ini"), QSettings::IniFormat);
    QSettings linuxSide(linuxDir.filePath("settings.ini"), QSettings::IniFormat);
    for (int port = 1; port <= PortCount; ++port) {
        const QString key = QStringLiteral("Ports/COM%1").arg(port);
        SimulatedDevice *device = ports.device(port);
        if (port != Windows && port != Loader)
            windows.setValue(key, QString());
        linuxSide.setValue(key, device ? device->portPath() : QString());
    }
    for (const int port : {Windows, Loader})
        linkPort(port, ports.device(port)->portPath());
    for (QTemporaryDir *dir : {&windowsDir, &linuxDir})
        QVERIFY(QFile::copy(TestFirmware::write(*dir, TestFirmware::tenLines()),
                            dir->filePath("update.cod")));
}

void tst_CliWine::cleanupTestCase()
{
    for (const int port : {Windows, Loader})
        linkPort(port, QString());
}

void tst_CliWine::linkPort(int port, const QString &target)
{
    const QString link =
        qEnvironmentVariable("WINEPREFIX") + QStringLiteral("/dosdevices/com%1").arg(port);
    QFile::remove(link);
    QVERIFY(target.isEmpty() || QFile::link(target, link));
}

Run tst_CliWine::run(bool windows, const QStringList &arguments,
                     const std::function<void(QProcess &)> &meanwhile)
{
    QProcess program;
    program.setWorkingDirectory((windows ? windowsDir : linuxDir).path());
    // Without CAP_SYS_ADMIN a terminal made exclusive refuses Wine as it refuses any other
    // user, so that a port held on this side shows under Wine too.
    if (windows)
        program.start(QStringLiteral("setpriv"),
                      QStringList {"--bounding-set", "-sys_admin", "--", "wine",
                                   qEnvironmentVariable("ZELKOR_CLI_EXE")}
                          + arguments);
    else
        program.start(qEnvironmentVariable("ZELKOR_CLI"), arguments);
    if (meanwhile)
        meanwhile(program);
    Run done;
    if (!program.waitForFinished(RunTimeoutMs) || program.exitStatus() != QProcess::NormalExit)
        return done;
    done = {program.exitCode(), program.readAllStandardOutput(), program.readAllStandardError()};
    if (done.exitCode != 0)
        qInfo("%s", done.err.constData());
    return done;
}

// What scripts read, the same from both builds; only the device path is the system's own.
void tst_CliWine::list()
{
    const Run windows = run(true, {"list", "--json"});
    const Run linuxSide = run(false, {"list", "--json"});
    QCOMPARE(windows.exitCode, 0);
    QCOMPARE(linuxSide.exitCode, 0);
    const auto devices = [](const QByteArray &out, bool skipLinuxOnly) {
        QJsonArray kept;
        for (const QJsonValue &value : QJsonDocument::fromJson(out)["devices"].toArray()) {
            QJsonObject device = value.toObject();
            device.remove("device_path");
            if (!skipLinuxOnly || device["port"] != SimulatedPorts::portName(Linux))
                kept.append(device);
        }
        return kept;
    };
    const QJsonArray listed = devices(windows.out, false);
    QCOMPARE(listed.size(), 2);
    QCOMPARE(listed, devices(linuxSide.out, true));
}

void tst_CliWine::jobs_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("update") << QStringList {"update", "--file", "update.cod"};
    QTest::newRow("calibration") << QStringList {"calibrate", "--voltage", "12.5"};
}

// The same bytes on the wire from both builds, the update's data among them, and the same
// answers from the devices.
void tst_CliWine::jobs()
{
    QFETCH(QStringList, arguments);
    SimulatedDevice *windows = ports.device(Windows);
    SimulatedDevice *linuxSide = ports.device(Linux);
    windows->log().clear();
    linuxSide->log().clear();
    QCOMPARE(run(true, arguments + QStringList {"COM5"}).exitCode, 0);
    QCOMPARE(run(false, arguments + QStringList {"COM6"}).exitCode, 0);
    QVERIFY(!windows->log().requests().isEmpty());
    QCOMPARE(exchanges(*windows), exchanges(*linuxSide));
}

// A port that another program holds, and a device server's, which this build can't reach:
// refused with the reason, nothing sent, exit code 3.
void tst_CliWine::heldPort()
{
    ComPort holder;
    QVERIFY(holder.open(SimulatedPorts::portNameBytes(Windows), StopBits::Two));
    ports.device(Windows)->log().clear();
    const Run refused = run(true, {"calibrate", "--voltage", "12.5", "COM5"});
    QCOMPARE(refused.exitCode, 3);
    QVERIFY2(refused.err.contains("in use by another program"), refused.err.constData());
    QCOMPARE(ports.device(Windows)->log().size(), 0);
    const Run remote = run(true, {"calibrate", "--voltage", "12.5", "rfc2217://127.0.0.1:9"});
    QCOMPARE(remote.exitCode, 3);
    QVERIFY(remote.err.contains("no device server support in this build"));
}

// Ctrl-C, which Wine hands to the console's handler: the update stops after the exchange in
// progress, as on SIGINT, and says so.
void tst_CliWine::interrupted()
{
    const auto interrupt = [](QProcess &program) {
        program.setReadChannel(QProcess::StandardError);
        if (program.waitForReadyRead(RunTimeoutMs))
            ::kill(pid_t(program.processId()), SIGINT);
    };
    const Run stopped = run(true, {"update", "--file", "update.cod", "COM5"}, interrupt);
    QCOMPARE(stopped.exitCode, 130);
    QVERIFY2(stopped.out.contains("interrupted"), stopped.out.constData());
}

QTEST_GUILESS_MAIN(tst_CliWine)
#include "tst_cli_wine.moc"
