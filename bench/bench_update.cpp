// Firmware update throughput: a 4000-line file flashed into a simulated device that paces its
// line at 115200 bit/s, 11 bits a byte, in both directions, and answers without delay. Prints
// the wall time of the line-sending phase against the wire time of the same bytes, for one
// device and for 16 devices at once, each on local pseudo-terminals and through ser2net on
// 127.0.0.1 (RFC 2217), with the messages the remote updates sent the server.

#include "BenchFirmware.h"
#include "LineTiming.h"
#include "PortNameMap.h"
#include "Ser2netServer.h"
#include "SimulatedPorts.h"
#include "UpdateThread.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int ManyDevices = 16;
constexpr int Rounds = 3;
constexpr int StatusReplyBytes = 6;
constexpr int FirstPort = 20;

// Request and status reply of every line after the first, as the loader sees them.
qint64 phaseBytes(const QList<QByteArray> &lines)
{
    qint64 bytes = 0;
    for (qsizetype j = 1; j < lines.size(); ++j) {
        switch (FirmwareFile::kind(lines[j])) {
        case FirmwareFile::EndLine:
            bytes += 6;
            break;
        case FirmwareFile::AddressLine:
            bytes += 14;
            break;
        case FirmwareFile::DataLine:
            bytes += std::min<qsizetype>(lines[j].size(), 32) + 6;
            break;
        }
        bytes += StatusReplyBytes;
    }
    return bytes;
}

// One job, timed from the progress after its first line to the progress after its last.
struct TimedJob
{
    std::unique_ptr<UpdateThread> worker = std::make_unique<UpdateThread>();
    int lines = 0;
    int reported = 0;
    Clock::time_point firstLine;
    Clock::time_point lastLine;
    int updateResult = 0;

    TimedJob(int port, const QString &file, int fileLines) : lines(fileLines)
    {
        worker->setJob(SimulatedPorts::portName(port), file, false, true, 0.0);
        QObject::connect(
            worker.get(), &UpdateThread::progress, worker.get(),
            [this](const QString &, int) {
                ++reported;
                if (reported == 1)
                    firstLine = Clock::now();
                else if (reported == lines)
                    lastLine = Clock::now();
            },
            Qt::DirectConnection);
        QObject::connect(
            worker.get(), &UpdateThread::finished, worker.get(),
            [this](UpdateThread *, const QString &, int update_result, int) {
                updateResult = update_result;
            },
            Qt::DirectConnection);
    }

    double phaseSeconds() const
    {
        return std::chrono::duration<double>(lastLine - firstLine).count();
    }
};

enum class Route { Local, Remote };

struct Flashed
{
    // The line-sending phase of each job; empty when one failed.
    std::vector<double> seconds;
    // What the remote jobs sent the server, all together.
    Ser2netServer::Messages sent;
};

// Runs the jobs side by side.
Flashed flash(int devices, const QString &file, int lines, Route route)
{
    SimulatedPorts ports;
    Ser2netServer server;
    QTemporaryDir traces;
    QStringList traceFiles;
    DeviceProfile profile = DeviceProfile::ready();
    profile.pacing = true;
    profile.replyLatencyMs = 0;
    std::vector<std::unique_ptr<TimedJob>> jobs;
    for (int i = 0; i < devices; ++i) {
        const SimulatedDevice *device = ports.add(FirstPort + i, profile);
        if (!device)
            return {};
        if (route == Route::Remote) {
            traceFiles << traces.filePath(QString::number(i));
            const QString address =
                server.serve(device->portPath(), Ser2netServer::Telnet::Rfc2217, traceFiles.last());
            PortNameMap::instance().setPath(SimulatedPorts::portName(FirstPort + i), address);
        }
        jobs.push_back(std::make_unique<TimedJob>(FirstPort + i, file, lines));
    }
    QString error;
    if (route == Route::Remote && !server.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return {};
    }
    for (auto &job : jobs)
        job->worker->start();
    Flashed flashed;
    for (auto &job : jobs) {
        job->worker->wait();
        if (job->updateResult != 1)
            return {};
        flashed.seconds.push_back(job->phaseSeconds());
    }
    for (const QString &trace : traceFiles) {
        const Ser2netServer::Messages sent = Ser2netServer::countMessages(trace);
        flashed.sent.connections += sent.connections;
        flashed.sent.settings += sent.settings;
        flashed.sent.purges += sent.purges;
    }
    return flashed;
}

struct Spread
{
    double mean;
    double slowest;
};

Spread spread(const std::vector<double> &seconds)
{
    double sum = 0;
    for (double s : seconds)
        sum += s;
    return {sum / double(seconds.size()), *std::max_element(seconds.begin(), seconds.end())};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QList<QByteArray> fileLines;
    const QString path = BenchFirmware::writeLarge(dir, fileLines);
    if (path.isEmpty())
        return 1;
    const int lines = int(fileLines.size());
    const qint64 bytes = phaseBytes(fileLines);
    const double floorSeconds = std::chrono::duration<double>(LineTiming::lineTime(bytes)).count();

    std::printf("firmware file: %d lines; line-sending phase: lines 2 to %d, %lld bytes on the "
                "wire (requests and replies)\n",
                lines, lines, static_cast<long long>(bytes));
    std::printf("wire-time floor at 115200 bit/s, 11 bits a byte: %.3f s\n", floorSeconds);

    // Local and remote in turns, the quickest of each: the machine's other load comes and goes.
    double local = 0;
    double remote = 0;
    Ser2netServer::Messages sent;
    for (int round = 0; round < Rounds; ++round) {
        const Flashed one = flash(1, path, lines, Route::Local);
        const Flashed oneRemote = flash(1, path, lines, Route::Remote);
        if (one.seconds.empty() || oneRemote.seconds.empty()) {
            std::fprintf(stderr, "the update of one device failed\n");
            return 1;
        }
        local = round == 0 ? one.seconds.front() : std::min(local, one.seconds.front());
        remote = round == 0 ? oneRemote.seconds.front()
                            : std::min(remote, oneRemote.seconds.front());
        sent = oneRemote.sent;
    }
    std::printf("1 device (best of %d):   %.3f s, %.3f x the floor\n", Rounds, local,
                local / floorSeconds);
    std::printf("1 device through ser2net (best of %d): %.3f s, %.3f x the local update\n",
                Rounds, remote, remote / local);
    std::printf("  sent to the server: %d line settings over %d connection(s), %d purges "
                "(one per exchange)\n",
                sent.settings, sent.connections, sent.purges);

    const Flashed many = flash(ManyDevices, path, lines, Route::Local);
    const Flashed manyRemote = flash(ManyDevices, path, lines, Route::Remote);
    if (many.seconds.empty() || manyRemote.seconds.empty()) {
        std::fprintf(stderr, "the update of %d devices failed\n", ManyDevices);
        return 1;
    }
    const Spread side = spread(many.seconds);
    std::printf("%d devices: mean %.3f s, slowest %.3f s; %.3f x the floor (slowest); "
                "%.3f x one device (mean), %.3f x (slowest)\n",
                ManyDevices, side.mean, side.slowest, side.slowest / floorSeconds,
                side.mean / local, side.slowest / local);
    const Spread remoteSide = spread(manyRemote.seconds);
    std::printf("%d devices through one ser2net: mean %.3f s, slowest %.3f s; %.3f x the local "
                "update of %d (mean), %.3f x (slowest)\n",
                ManyDevices, remoteSide.mean, remoteSide.slowest, remoteSide.mean / side.mean,
                ManyDevices, remoteSide.slowest / side.slowest);
    return 0;
}
