// Firmware update throughput: a 4000-line file flashed into a simulated device that paces its
// line at 115200 bit/s, 11 bits a byte, in both directions, and answers without delay. Prints
// the wall time of the line-sending phase against the wire time of the same bytes, for one
// device and for 16 devices at once.

#include "BenchFirmware.h"
#include "LineTiming.h"
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

// Runs the jobs side by side; answers the line-sending phase of each, or nothing on failure.
std::vector<double> flash(int devices, const QString &file, int lines)
{
    SimulatedPorts ports;
    DeviceProfile profile = DeviceProfile::ready();
    profile.pacing = true;
    profile.replyLatencyMs = 0;
    std::vector<std::unique_ptr<TimedJob>> jobs;
    for (int i = 0; i < devices; ++i) {
        if (!ports.add(FirstPort + i, profile))
            return {};
        jobs.push_back(std::make_unique<TimedJob>(FirstPort + i, file, lines));
    }
    for (auto &job : jobs)
        job->worker->start();
    std::vector<double> seconds;
    for (auto &job : jobs) {
        job->worker->wait();
        if (job->updateResult != 1)
            return {};
        seconds.push_back(job->phaseSeconds());
    }
    return seconds;
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

    const std::vector<double> one = flash(1, path, lines);
    if (one.empty()) {
        std::fprintf(stderr, "the update of one device failed\n");
        return 1;
    }
    std::printf("1 device:   %.3f s, %.3f x the floor\n", one.front(), one.front() / floorSeconds);

    const std::vector<double> many = flash(ManyDevices, path, lines);
    if (many.empty()) {
        std::fprintf(stderr, "the update of %d devices failed\n", ManyDevices);
        return 1;
    }
    double sum = 0;
    for (double s : many)
        sum += s;
    const double mean = sum / many.size();
    const double slowest = *std::max_element(many.begin(), many.end());
    std::printf("%d devices: mean %.3f s, slowest %.3f s; %.3f x the floor (slowest); "
                "%.3f x one device (mean), %.3f x (slowest)\n",
                ManyDevices, mean, slowest, slowest / floorSeconds, mean / one.front(),
                slowest / one.front());
    return 0;
}
