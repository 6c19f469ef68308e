// One whole firmware update as the user starts it: the window's "Update firmware" on a
// simulated device that paces its line at 115200 bit/s, 11 bits a byte, with every pause and
// tick at full length. Prints the wall time from the press until the row shows the update
// confirmed, against the sum of the pauses the update must make and the wire time of every
// byte the job and the window's check exchanged with the device.

#include "BenchFirmware.h"
#include "JobResult.h"
#include "LineTiming.h"
#include "ProtocolTiming.h"
#include "RowState.h"
#include "WindowBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <cstdio>

namespace {

constexpr int Port = 1;
// The size of the demo's sample file.
constexpr int DataLines = 10;
constexpr int TimeoutMs = 60000;

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The scan's and the jobs' trace lines would drown the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    WindowBench::Bench bench;
    DeviceProfile profile = DeviceProfile::ready();
    profile.pacing = true;
    profile.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    SimulatedDevice *device = bench.add(Port, profile);
    const QString path = bench.file(QStringLiteral("bench.cod"), BenchFirmware::image(DataLines));
    Zelkor *window = device ? bench.open(path) : nullptr;
    if (!window) {
        std::fprintf(stderr, "the window did not list the simulated device\n");
        return 1;
    }
    FirmwareFile file(path);
    if (file.read() != JobResult::Ok)
        return 1;
    const int sections = BenchFirmware::sections(file.lines());

    QTreeWidgetItem *row = WindowBench::row(*window, Port);
    row->setSelected(true);
    const int logged = device->log().size();
    QElapsedTimer timer;
    timer.start();
    WindowBench::button(*window, "updateBtn")->click();
    // Polled every 10 ms at most.
    const bool done = QTest::qWaitFor(
        [&] { return WindowBench::row(*window, Port)->data(0, RowStateRole) == RowDone; },
        TimeoutMs);
    if (!done) {
        std::fprintf(stderr, "the update did not end within %d s\n", TimeoutMs / 1000);
        return 1;
    }
    const double wall = timer.elapsed() / 1000.0;
    // The scan gets the port back only after the row is settled.
    const LineTiming::Clock::time_point settled = LineTiming::Clock::now();

    LineTiming::Clock::duration wire {};
    int exchanges = 0;
    for (const WireRecord &record : device->log().recordsFrom(logged)) {
        if (record.received > settled)
            break;
        wire += LineTiming::lineTime(record.bytes.size() + record.reply.size());
        ++exchanges;
    }
    const double pauses = BenchFirmware::mandatedPausesMs(sections) / 1000.0;
    std::printf("firmware file: %d lines, %d section(s); %d exchanges with the device\n",
                int(file.lines().size()), sections, exchanges);
    std::printf("mandated pauses: %.3f s (reset %d ms, %d x section %d ms, restart %d ms, "
                "%d ticks x %d ms)\n",
                pauses, ProtocolTiming::loaderResetPauseMs, sections,
                ProtocolTiming::sectionPauseMs, ProtocolTiming::restartPauseMs,
                ProtocolTiming::restartTicks, ProtocolTiming::tickMs);
    const double wireSeconds = BenchFirmware::seconds(wire);
    std::printf("wire time at 115200 bit/s, 11 bits a byte: %.3f s\n", wireSeconds);
    std::printf("press to update confirmed: %.3f s; %.3f s over pauses + wire (%.1f %%)\n", wall,
                wall - pauses - wireSeconds, 100.0 * (wall / (pauses + wireSeconds) - 1.0));
    return 0;
}
