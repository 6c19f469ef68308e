// How often the device list can refresh. Part one drives the scan worker as the window does (a
// pass at once, then one on every 1000 ms tick unless one runs) over 1, 4, 16 and 64 simulated
// devices answering the status query with "errc", plus a few silent ports, and prints the
// period between two passes' results and the length of a pass, each against one device; then
// the same for 16 devices that one ser2net serves on 127.0.0.1, also beside a device server
// that never answers.
// Part two runs the release program itself for 30 s beside 16 idle devices that zelkor-devsim
// simulates in a process of its own, and prints the processor time the program used.

#include "DeviceThread.h"
#include "PortNameMap.h"
#include "Ser2netServer.h"
#include "SilentListener.h"
#include "SimulatedPorts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

// The window's refresh timer.
constexpr int TickMs = 1000;
constexpr int SilentPorts = 3;
// The first pass starts at once rather than on a tick and learns each device's command variants;
// the periods from the second pass's finish on are measured.
constexpr int MeasuredPeriods = 8;
constexpr int DeviceCounts[] = {1, 4, 16, 64};
constexpr int RemoteDevices = 16;

enum class Route { Local, Remote, RemoteBesideDeadServer };

constexpr int IdleDevices = 16;
constexpr int WarmUpMs = 5000;
constexpr int IdleMs = 30000;
constexpr int DevsimStartLimitMs = 10000;

struct Refresh
{
    // Mean time between two passes' finish: the window's timer is a coarse one, whose ticks
    // may come a few per cent early or late, one at a time.
    double periodMs;
    double passMs; // median time from a pass's start to its finish
};

double median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return double(values[values.size() / 2]);
}

Refresh measureRefresh(int devices, Route route = Route::Local)
{
    SimulatedPorts ports;
    Ser2netServer server;
    SilentListener deadServer;
    int number = 1;
    for (int i = 0; i < devices + SilentPorts; ++i) {
        const QString name = SimulatedPorts::portName(number);
        const SimulatedDevice *device =
            ports.add(number++, i < devices ? DeviceProfile::ready() : DeviceProfile::silent());
        if (device && route != Route::Local)
            PortNameMap::instance().setPath(name, server.serve(device->portPath()));
    }
    if (route == Route::RemoteBesideDeadServer)
        PortNameMap::instance().setPath(SimulatedPorts::portName(number), deadServer.address());
    QString error;
    if (route != Route::Local && !server.start(&error)) {
        std::printf("%s\n", qPrintable(error));
        return {};
    }

    DeviceThread worker;
    QElapsedTimer clock;
    clock.start();
    qint64 started = 0;
    std::vector<qint64> finishes;
    std::vector<qint64> passes;
    QEventLoop loop;
    QObject::connect(&worker, &DeviceThread::finish, &loop, [&] {
        finishes.push_back(clock.elapsed());
        passes.push_back(finishes.back() - started);
        if (int(finishes.size()) > MeasuredPeriods + 1)
            loop.quit();
    });
    const auto refresh = [&] {
        if (!worker.isRunning()) {
            started = clock.elapsed();
            worker.start(QThread::InheritPriority);
        }
    };
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, refresh);
    refresh();
    tick.start(TickMs);
    loop.exec();

    passes.erase(passes.begin());
    return {double(finishes.back() - finishes[1]) / MeasuredPeriods, median(passes)};
}

// Processor time of a process so far (user and system), from /proc.
double cpuMs(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the parenthesised command name; utime and stime are fields 14 and 15.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1000.0 / double(sysconf(_SC_CLK_TCK));
}

void waitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The program beside 16 idle devices: processor time over IdleMs after a warm-up, and the number
// of device lists it rebuilt meanwhile ("Add items started" on its debug output).
bool measureIdleProgram()
{
    QTemporaryDir dir;
    QStringList devsimArguments {"--settings", dir.filePath("settings.ini")};
    for (int port = 1; port <= IdleDevices; ++port)
        devsimArguments << "--device" << QStringLiteral("ready:COM%1").arg(port);
    QProcess devsim;
    devsim.start(QStringLiteral(ZELKOR_DEVSIM), devsimArguments);
    QElapsedTimer limit;
    limit.start();
    while (!devsim.readAllStandardOutput().contains("Ctrl-C")
           && limit.elapsed() < DevsimStartLimitMs)
        devsim.waitForReadyRead(DevsimStartLimitMs);
    if (limit.elapsed() >= DevsimStartLimitMs) {
        std::printf("zelkor-devsim did not start\n");
        return false;
    }

    QProcess program;
    program.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(environment);
    int rebuilds = 0;
    bool counting = false;
    QByteArray pending;
    QObject::connect(&program, &QProcess::readyReadStandardError, [&] {
        pending += program.readAllStandardError();
        const qsizetype end = pending.lastIndexOf('\n') + 1;
        if (counting)
            rebuilds += int(pending.left(end).count("Add items started"));
        pending.remove(0, end);
    });
    program.start(QStringLiteral(ZELKOR_PROGRAM), {});
    waitMs(WarmUpMs);
    const double before = cpuMs(program.processId());
    counting = true;
    waitMs(IdleMs);
    const double after = cpuMs(program.processId());
    counting = false;
    program.kill();
    program.waitForFinished();
    devsim.terminate();
    devsim.waitForFinished();

    std::printf("Program with %d idle devices (simulated in another process), over %d s:\n",
                IdleDevices, IdleMs / 1000);
    std::printf("  processor time  %.0f ms  = %.2f %% of a core\n", after - before,
                100.0 * (after - before) / IdleMs);
    std::printf("  device list rebuilt %d times  (one per %.0f ms)\n", rebuilds,
                rebuilds ? double(IdleMs) / rebuilds : 0.0);
    return before >= 0 && after >= 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    registerDeviceMetaTypes();

    std::printf("Refresh with a %d ms tick; devices answer \"errc\", plus %d silent ports "
                "(mean of %d periods from the second pass on):\n",
                TickMs, SilentPorts, MeasuredPeriods);
    std::printf("  devices   period ms  ratio   pass ms  ratio\n");
    Refresh one {};
    for (int devices : DeviceCounts) {
        const Refresh r = measureRefresh(devices);
        if (devices == DeviceCounts[0])
            one = r;
        std::printf("  %7d   %9.0f  %5.2f   %7.0f  %5.2f\n", devices, r.periodMs,
                    r.periodMs / one.periodMs, r.passMs, r.passMs / one.passMs);
    }
    const struct
    {
        Route route;
        const char *name;
    } remoteRows[] = {{Route::Remote, "through one ser2net"},
                      {Route::RemoteBesideDeadServer, "through ser2net, and a dead server"}};
    for (const auto &row : remoteRows) {
        const Refresh r = measureRefresh(RemoteDevices, row.route);
        std::printf("  %7d   %9.0f  %5.2f   %7.0f  %5.2f   %s\n", RemoteDevices, r.periodMs,
                    r.periodMs / one.periodMs, r.passMs, r.passMs / one.passMs, row.name);
    }
    std::printf("\n");
    return measureIdleProgram() ? 0 : 1;
}
