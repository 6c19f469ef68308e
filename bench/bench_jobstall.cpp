// How long the window stops answering while jobs end. Sixteen simulated devices are updated
// from the window at once; as each one restarts into its new firmware it falls silent for good,
// as a device does whose cable was pulled at the end of its update, so that every job ends
// with the check after the update finding nobody. A timer in the window's thread, due every
// millisecond, measures the longest gap between two of its ticks from the press until every row
// has settled.
//
// Pauses and ticks run at a tenth of their length (the jobs take a few seconds); the link
// time-outs, which the check after the update waits out, are at full length.

#include "BenchFirmware.h"
#include "JobWatch.h"
#include "ProtocolTiming.h"
#include "WindowBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int Devices = 16;
constexpr int DataLines = 10;
constexpr int TimeoutMs = 120000;
constexpr double TimingScale = 0.1;
// Once a row shows this, the device has been told to restart into its new firmware.
const QString RestartingText = QStringLiteral(" 90%");

// Runs the event loop until done() holds, with a timer due every millisecond: the longest gap
// between two of its ticks.
class StallMeter
{
public:
    bool run(const std::function<bool()> &done)
    {
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QElapsedTimer sinceTick;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            const qint64 gap = sinceTick.restart();
            longestMs = std::max(longestMs, gap);
            if (done())
                loop.quit();
        });
        QTimer::singleShot(TimeoutMs, &loop, [&loop] { loop.exit(1); });
        sinceTick.start();
        timer.start();
        return loop.exec() == 0;
    }

    qint64 longestMs = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The scan's and the jobs' trace lines would drown the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
    ProtocolTiming::setScale(TimingScale);

    WindowBench::Bench bench;
    DeviceProfile profile = DeviceProfile::ready();
    profile.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    for (int port = 1; port <= Devices; ++port) {
        if (!bench.add(port, profile)) {
            std::fprintf(stderr, "no pseudo-terminal for COM%d\n", port);
            return 1;
        }
    }
    const QString path = bench.file(QStringLiteral("bench.cod"), BenchFirmware::image(DataLines));
    Zelkor *window = bench.open(path);
    if (!window) {
        std::fprintf(stderr, "the window did not list the simulated devices\n");
        return 1;
    }
    QTreeWidget *tree = WindowBench::deviceList(*window);
    JobWatch jobs(tree);
    QSet<int> silenced;
    QObject::connect(tree->model(), &QAbstractItemModel::dataChanged, tree, [&] {
        for (int index = 0; index < tree->topLevelItemCount(); ++index) {
            const QTreeWidgetItem *row = tree->topLevelItem(index);
            const int port = PortNameMap::portNumber(row->text(LocationColumn));
            if (!row->text(StatusColumn).endsWith(RestartingText) || silenced.contains(port))
                continue;
            silenced.insert(port);
            bench.device(port)->addFault(DeviceFault::on(QStringLiteral("*"),
                                                         DeviceFault::NoReply, 0, -1));
        }
    });

    tree->selectAll();
    QElapsedTimer elapsed;
    qint64 firstEndMs = -1;
    // The press comes from the running loop, as the user's click would.
    QTimer::singleShot(0, [&] {
        elapsed.start();
        WindowBench::button(*window, "updateBtn")->click();
    });
    StallMeter stalls;
    const bool allEnded = stalls.run([&] {
        if (firstEndMs < 0 && jobs.ended > 0)
            firstEndMs = elapsed.elapsed();
        return jobs.started == Devices && jobs.running() == 0;
    });
    const qint64 lastEndMs = elapsed.elapsed();
    const int started = jobs.started;
    if (!allEnded || started != Devices) {
        std::fprintf(stderr, "%d jobs started, %d ended\n", started, jobs.ended);
        jobs.printUnfinished();
        return 1;
    }
    std::printf("%d updates started at once; the devices fall silent as they restart\n", Devices);
    std::printf("rows settled between %.3f s and %.3f s after the press\n", firstEndMs / 1000.0,
                lastEndMs / 1000.0);
    std::printf("longest event-loop stall from the press to the last row settled: %lld ms\n",
                static_cast<long long>(stalls.longestMs));
    return 0;
}
