// zelkor-cli on a production line: "zelkor-cli update" of a 4000-line file on 1 and on 16
// simulated devices that pace their lines at 115200 bit/s, 11 bits a byte, with every pause and
// tick at full length. Prints the program's wall time, from its start to its exit, against the
// floor of the slowest device: the pauses the update must make plus the wire time of every
// byte the program exchanged with that device (scans and checks included).
//
// With ZELKOR_CLI_EXE (zelkor-cli.exe) and WINEPREFIX set, as scripts/windows --bench sets
// them, the update of one device runs under Wine as well, through the prefix's COM port, and
// the ratio of the two wall times is printed.

#include "BenchFirmware.h"
#include "SimulatedPorts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int ManyDevices = 16;
constexpr int FirstPort = 20;
constexpr int TimeoutMs = 300000;

// The Windows build reaches COM<n> through the Wine prefix's link to the device.
void linkForWine(int port, const QString &devicePath)
{
    const QString link =
        qEnvironmentVariable("WINEPREFIX") + QStringLiteral("/dosdevices/com%1").arg(port);
    QFile::remove(link);
    if (!devicePath.isEmpty())
        QFile::link(devicePath, link);
}

// One run of the program on `devices` fresh devices, under Wine or not: its wall time in
// seconds, or a negative number when it did not succeed.
double run(int devices, const QTemporaryDir &dir, const QString &file, double pauses,
           bool wine = false)
{
    SimulatedPorts ports;
    DeviceProfile profile = DeviceProfile::ready();
    profile.pacing = true;
    QStringList arguments {"update", "--file", file};
    {
        QSettings settings(dir.filePath("settings.ini"), QSettings::IniFormat);
        settings.remove(QStringLiteral("Ports"));
        for (int port = FirstPort; port < FirstPort + devices; ++port) {
            SimulatedDevice *device = ports.add(port, profile);
            if (!device)
                return -1;
            if (wine)
                linkForWine(port, device->portPath());
            else
                settings.setValue(QStringLiteral("Ports/COM%1").arg(port), device->portPath());
            arguments.append(QStringLiteral("COM%1").arg(port));
        }
    }
    QProcess program;
    program.setWorkingDirectory(dir.path());
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    if (wine)
        program.start(QStringLiteral("wine"),
                      QStringList {qEnvironmentVariable("ZELKOR_CLI_EXE")} + arguments);
    else
        program.start(QStringLiteral(ZELKOR_CLI), arguments);
    const bool done = program.waitForFinished(TimeoutMs) && program.exitCode() == 0;
    const double wall = timer.elapsed() / 1000.0;
    for (int port = FirstPort; wine && port < FirstPort + devices; ++port)
        linkForWine(port, QString());
    if (!done) {
        std::fprintf(stderr, "%d device(s): zelkor-cli failed\n%s", devices,
                     program.readAllStandardOutput().constData());
        return -1;
    }

    double slowestWire = 0;
    for (int port = FirstPort; port < FirstPort + devices; ++port) {
        LineTiming::Clock::duration wire {};
        for (const WireRecord &record : ports.device(port)->log().records())
            wire += LineTiming::lineTime(record.bytes.size() + record.reply.size());
        slowestWire = std::max(slowestWire, BenchFirmware::seconds(wire));
    }
    const double floor = pauses + slowestWire;
    std::printf("%s%2d device(s): wall %.3f s; floor %.3f s (pauses %.3f + wire %.3f); "
                "%.3f s over the floor (%.1f %%)\n",
                wine ? "Wine: " : "", devices, wall, floor, pauses, slowestWire, wall - floor,
                100.0 * (wall / floor - 1.0));
    return wall;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QList<QByteArray> lines;
    const QString path = BenchFirmware::writeLarge(dir, lines);
    if (path.isEmpty())
        return 1;
    const int sections = BenchFirmware::sections(lines);
    const double pauses = BenchFirmware::mandatedPausesMs(sections) / 1000.0;
    std::printf("firmware file: %d lines, %d section(s); mandated pauses %.3f s\n",
                int(lines.size()), sections, pauses);
    const double one = run(1, dir, path, pauses);
    if (one < 0)
        return 1;
    if (qEnvironmentVariableIsSet("ZELKOR_CLI_EXE")) {
        const double underWine = run(1, dir, path, pauses, true);
        if (underWine < 0)
            return 1;
        std::printf("Wine against Linux, one device: %.3f\n", underWine / one);
        return 0;
    }
    return run(ManyDevices, dir, path, pauses) >= 0 ? 0 : 1;
}
