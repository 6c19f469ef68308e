// A long run of the window as a busy service bench sees it: 16 simulated devices, the scan
// running all the time, and every few seconds a scripted step that starts updates and
// calibrations on some rows, pulls the plug of a device in the middle of its job or of an idle
// one, and plugs them back in later. All pauses and ticks at full length.
//
// Prints resident memory and heap in use after a warm-up and at the end, both taken with every
// device plugged in and no job running, with samples in between as a trend; open descriptors
// and threads in that same idle state, after all devices are gone, and after the window has
// gone, each against its counterpart at the start; jobs started and ended with their results
// from the job log. Exits non-zero only when a job did not end or the harness failed.
//
//   bench_soak [--minutes N] [--warmup-seconds N]

#include "BenchFirmware.h"
#include "JobResult.h"
#include "JobResultText.h"
#include "MallocArenas.h"
#include "RowState.h"
#include "WindowBench.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLoggingCategory>
#include <QMap>
#include <QMutex>
#include <QRegularExpression>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <malloc.h>
#include <map>
#include <string>

namespace {

constexpr int Devices = 16;
constexpr int DefaultMinutes = 30;
constexpr int DefaultWarmUpSeconds = 120;
// One scripted step this often.
constexpr int StepMs = 2500;
// Trend samples of resident memory every 5 minutes, every minute in runs under 10 minutes.
constexpr int SampleMinutes = 5;
constexpr int ShortRunMinutes = 10;
// A job that has not ended this long after the last one was started never will: an update
// with its repeats and a calibration after it, each exchange at its longest time-out.
constexpr int DrainLimitMs = 180000;
// Descriptors and threads come and go with every scan pass; the figure of an idle moment is the
// least one seen over this span.
constexpr int SettleMs = 4000;
constexpr int SettlePollMs = 20;
// Plugged back in this many steps after the plug was pulled.
constexpr int ReplugAfterBusySteps = 4;
constexpr int ReplugAfterIdleSteps = 2;
constexpr int DistinctWarningsShown = 20;
// The simulated devices' wire logs are emptied this often.
constexpr int WireLogMs = 100;
constexpr double MiB = 1024.0 * 1024.0;

// Enough lines that an update spends seconds sending them at line speed, so that a plug pulled
// during a job often cuts an exchange rather than a pause.
constexpr int FirmwareDataLines = 1000;

// Each device paces its line, answers the loader question with "yy" so that scan passes stay
// short, and carries a serial number of its own.
DeviceProfile profileOf(int port)
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.serialNumber = 200000 + port;
    profile.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    profile.pacing = true;
    return profile;
}

// What each open descriptor points at and what each thread is called, with how many of each.
using Census = QMap<QString, int>;

Census descriptorTargets()
{
    Census census;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        // Numbers differ from one pseudo-terminal or pipe to the next; the kinds are what count.
        std::error_code unreadable;
        QString target =
            QString::fromStdString(std::filesystem::read_symlink(it->path(), unreadable));
        ++census[target.replace(QRegularExpression(QStringLiteral("\\d+")), QStringLiteral("#"))];
    }
    return census;
}

Census threadNames()
{
    Census census;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error)) {
        std::ifstream comm(it->path() / "comm");
        std::string name;
        std::getline(comm, name);
        ++census[QString::fromStdString(name)];
    }
    return census;
}

int total(const Census &census)
{
    int sum = 0;
    for (int count : census)
        sum += count;
    return sum;
}

qint64 statusKiB(const char *key)
{
    std::ifstream status("/proc/self/status");
    const size_t length = std::strlen(key);
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, length, key) == 0 && line.size() > length && line[length] == ':')
            return std::stoll(line.substr(length + 1));
    }
    return -1;
}

struct Memory
{
    // Resident: in all, anonymous (heap, stacks) and file pages (code paged in on first use).
    qint64 rssKiB = 0;
    qint64 anonKiB = 0;
    qint64 fileKiB = 0;
    // malloc's bytes in use, a leak without the allocator's slack; and what it holds from the
    // system, in use or free.
    double heapInUseMiB = 0;
    double heapHeldMiB = 0;

    static Memory now()
    {
        const struct mallinfo2 heap = mallinfo2();
        return {statusKiB("VmRSS"), statusKiB("RssAnon"), statusKiB("RssFile"), heap.uordblks / MiB,
                (heap.arena + heap.hblkhd) / MiB};
    }
};

struct Figures
{
    Memory memory;
    Census fds;
    Census threads;

    static Figures now() { return {Memory::now(), descriptorTargets(), threadNames()}; }
};

// The descriptors and threads of the quietest moment over SettleMs with the event loop running
// (they come and go with every scan pass), and memory at its end, right after beforeMemory.
Figures settled(const std::function<void()> &beforeMemory = {})
{
    Figures least = Figures::now();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < SettleMs) {
        QTest::qWait(SettlePollMs);
        Figures sample = Figures::now();
        if (total(sample.fds) + total(sample.threads) < total(least.fds) + total(least.threads)) {
            least.fds = std::move(sample.fds);
            least.threads = std::move(sample.threads);
        }
    }
    if (beforeMemory)
        beforeMemory();
    least.memory = Memory::now();
    return least;
}

// Entries whose count differs from the reference: what is left open, or what went.
void printDifference(const char *kind, const Census &census, const Census &reference)
{
    Census difference = census;
    for (auto it = reference.cbegin(); it != reference.cend(); ++it)
        difference[it.key()] -= it.value();
    for (auto it = difference.cbegin(); it != difference.cend(); ++it) {
        if (it.value() != 0)
            std::printf("    %s %+d: %s\n", kind, it.value(), qPrintable(it.key()));
    }
}

// Descriptors and threads against a reference, naming what differs.
void printCounts(const char *when, const Figures &figures, const Figures &reference,
                 const char *referenceName)
{
    const int fds = total(figures.fds);
    const int threads = total(figures.threads);
    std::printf("%-38s fds %3d, threads %3d (%s: fds %3d, threads %3d; %+d, %+d)\n", when, fds,
                threads, referenceName, total(reference.fds), total(reference.threads),
                fds - total(reference.fds), threads - total(reference.threads));
    printDifference("fd", figures.fds, reference.fds);
    printDifference("thread", figures.threads, reference.threads);
}

// Growth against the reference in MiB.
void printMemory(const char *when, const Memory &memory, const Memory &reference)
{
    std::printf("%-38s RSS %6lld KiB %+.3f (anon %+.3f, file %+.3f); heap in use %.3f MiB "
                "%+.3f, held %.3f MiB %+.3f\n",
                when, memory.rssKiB, (memory.rssKiB - reference.rssKiB) / 1024.0,
                (memory.anonKiB - reference.anonKiB) / 1024.0,
                (memory.fileKiB - reference.fileKiB) / 1024.0, memory.heapInUseMiB,
                memory.heapInUseMiB - reference.heapInUseMiB, memory.heapHeldMiB,
                memory.heapHeldMiB - reference.heapHeldMiB);
}

// Warnings from any thread, each text printed once at the end with how often it came.
QMutex warningsMutex;
QMap<QString, int> warnings;

void countWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    const QMutexLocker lock(&warningsMutex);
    ++warnings[message];
}

// Jobs as the rows show them: a job starts when its row turns busy and ends when the row
// leaves that state. A busy row is never rebuilt by the scan, so no job is lost that way.
class JobWatch
{
public:
    explicit JobWatch(QTreeWidget *tree)
    {
        QObject::connect(tree->model(), &QAbstractItemModel::dataChanged, tree,
                         [this, tree](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                             for (int index = topLeft.row(); index <= bottomRight.row(); ++index)
                                 note(tree->topLevelItem(index));
                         });
    }

    int started = 0;
    int ended = 0;
    qint64 longestMs = 0;

    int running() const { return int(since.size()); }
    bool busy(int port) const { return since.contains(port); }
    QList<int> busyPorts() const
    {
        QList<int> ports = since.keys();
        std::sort(ports.begin(), ports.end());
        return ports;
    }
    qint64 runningFor(int port) const { return since.value(port).elapsed(); }

private:
    void note(const QTreeWidgetItem *row)
    {
        if (!row)
            return;
        const int port = PortNameMap::portNumber(row->text(LocationColumn));
        const bool nowBusy = row->data(LocationColumn, RowStateRole).toInt() == RowBusy;
        if (nowBusy == since.contains(port))
            return;
        if (nowBusy) {
            ++started;
            since[port].start();
        } else {
            ++ended;
            longestMs = std::max(longestMs, since.take(port).elapsed());
        }
    }

    QHash<int, QElapsedTimer> since;
};

enum class Action { Update, Calibrate, UpdateThenCalibrate, UnplugBusy, UnplugIdle };

struct Step
{
    Action action;
    int rows; // for a job: how many rows get it
};

// One cycle of the script, a step every StepMs.
const Step Cycle[] = {
    {Action::Update, 3},     {Action::Calibrate, 2},
    {Action::UnplugBusy, 1}, {Action::UpdateThenCalibrate, 2},
    {Action::UnplugIdle, 1}, {Action::Calibrate, 2},
};

// The scripted user and the hand that pulls plugs.
class Script
{
public:
    Script(WindowBench::Bench &bench, Zelkor &window, const JobWatch &jobs)
        : bench(bench), window(window), tree(WindowBench::deviceList(window)), jobs(jobs)
    { }

    int commands = 0;
    int refused = 0; // commands whose button the window had disabled
    int unpluggedBusy = 0;
    int unpluggedIdle = 0;
    int replugged = 0;
    bool failed = false; // a device could not be started again

    void step()
    {
        replugDue();
        const Step &next = Cycle[stepCount++ % std::size(Cycle)];
        switch (next.action) {
        case Action::Update:
        case Action::UpdateThenCalibrate:
            startJobs("updateBtn", next.action == Action::UpdateThenCalibrate, next.rows);
            break;
        case Action::Calibrate:
            startJobs("calbBtn", false, next.rows);
            break;
        case Action::UnplugBusy:
            unplug(busyPorts(), ReplugAfterBusySteps, unpluggedBusy);
            break;
        case Action::UnplugIdle:
            unplug(idlePorts(Devices), ReplugAfterIdleSteps, unpluggedIdle);
            break;
        }
    }

    // The simulated devices log every exchange; that memory is the bench's, not the window's.
    void forgetWireLogs()
    {
        for (int port = 1; port <= Devices; ++port) {
            if (SimulatedDevice *device = bench.device(port))
                device->log().clear();
        }
    }

    // Every device back in, at once.
    void replugAll()
    {
        while (!replugAt.empty())
            replug(replugAt.begin()->first);
    }

private:
    bool plugged(int port) const { return replugAt.find(port) == replugAt.end(); }

    // Ports whose job runs, taken in turn, those that are sending firmware to a loader first:
    // there the plug cuts an exchange.
    QList<int> busyPorts() const
    {
        QList<int> ports = jobs.busyPorts();
        if (!ports.isEmpty())
            std::rotate(ports.begin(), ports.begin() + unpluggedBusy % ports.size(), ports.end());
        std::stable_partition(ports.begin(), ports.end(), [this](int port) {
            const SimulatedDevice *device = bench.device(port);
            return device && device->mode() == DeviceMode::Loader;
        });
        return ports;
    }

    // Up to count plugged devices whose rows may take a job, taken in turn from a cursor that
    // goes round the ports.
    QList<int> idlePorts(int count)
    {
        QList<int> ports;
        for (int tried = 0; tried < Devices && ports.size() < count; ++tried) {
            const int port = cursor % Devices + 1;
            ++cursor;
            const QTreeWidgetItem *row = WindowBench::row(window, port);
            if (plugged(port) && row && !jobs.busy(port)
                && row->flags().testFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled))
                ports.append(port);
        }
        return ports;
    }

    void startJobs(const char *buttonName, bool calibrateAfter, int count)
    {
        const QList<int> ports = idlePorts(count);
        if (ports.isEmpty())
            return;
        // Rows of earlier jobs may still call themselves selected.
        for (int index = 0; index < tree->topLevelItemCount(); ++index)
            tree->topLevelItem(index)->setSelected(false);
        tree->clearSelection();
        for (int port : ports)
            WindowBench::row(window, port)->setSelected(true);
        window.findChild<QCheckBox *>(QStringLiteral("calbAfterChk"))->setChecked(calibrateAfter);
        QPushButton *button = WindowBench::button(window, buttonName);
        ++commands;
        if (!button->isEnabled()) {
            ++refused;
            return;
        }
        button->click();
    }

    // The first candidate that is plugged in.
    void unplug(const QList<int> &candidates, int afterSteps, int &counter)
    {
        for (int port : candidates) {
            if (!plugged(port))
                continue;
            bench.remove(port);
            replugAt[port] = stepCount + afterSteps;
            ++counter;
            return;
        }
    }

    void replugDue()
    {
        QList<int> due;
        for (const auto &[port, step] : replugAt) {
            if (step <= stepCount)
                due.append(port);
        }
        for (int port : due)
            replug(port);
    }

    void replug(int port)
    {
        replugAt.erase(port);
        failed |= !bench.add(port, profileOf(port));
        ++replugged;
    }

    WindowBench::Bench &bench;
    Zelkor &window;
    QTreeWidget *tree;
    const JobWatch &jobs;
    int stepCount = 0;
    int cursor = 0;
    std::map<int, int> replugAt; // unplugged port: the step that plugs it back in
};

// Runs the script for ms milliseconds; onMinute is called at each whole minute from the start.
template<typename F> void runScript(Script &script, qint64 ms, F onMinute)
{
    constexpr qint64 MinuteMs = 60000;
    QElapsedTimer clock;
    clock.start();
    qint64 nextMinute = MinuteMs;
    while (clock.elapsed() < ms) {
        script.step();
        QTest::qWait(StepMs);
        if (clock.elapsed() >= nextMinute) {
            onMinute(int(nextMinute / MinuteMs));
            nextMinute += MinuteMs;
        }
    }
}

// Every device plugged back in and every job to its end; false when a job did not end.
bool drain(Script &script, const JobWatch &jobs)
{
    script.replugAll();
    return QTest::qWaitFor([&] { return jobs.running() == 0; }, DrainLimitMs);
}

void printUnfinished(const JobWatch &jobs)
{
    for (int port : jobs.busyPorts())
        std::printf("UNFINISHED: the job on %s has run for %.1f s\n",
                    qPrintable(PortNameMap::portName(port)), jobs.runningFor(port) / 1000.0);
}

// The job log's rows by job and result; the number of rows.
int printJobLog(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    file.readLine(); // the header
    constexpr int JobField = 5;
    constexpr int ResultCodeField = 14;
    QMap<QString, int> tally;
    int rows = 0;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().split(',');
        if (fields.size() <= ResultCodeField)
            continue;
        ++rows;
        const int code = fields[ResultCodeField].toInt();
        const QString result =
            code == JobResult::Ok ? QStringLiteral("ok") : JobResultText::message(code);
        ++tally[QString::fromUtf8(fields[JobField]) + QStringLiteral(": ") + result];
    }
    for (auto it = tally.cbegin(); it != tally.cend(); ++it)
        std::printf("  %5d  %s\n", it.value(), qPrintable(it.key()));
    return rows;
}

void printWarnings()
{
    const QMutexLocker lock(&warningsMutex);
    int total = 0;
    for (int count : std::as_const(warnings))
        total += count;
    std::printf("warnings: %d, %d distinct%s\n", total, int(warnings.size()),
                warnings.size() > DistinctWarningsShown ? " (the first shown)" : "");
    int shown = 0;
    for (auto it = warnings.cbegin(); it != warnings.cend() && shown < DistinctWarningsShown;
         ++it, ++shown)
        std::printf("  %5d  %s\n", it.value(), qPrintable(it.key()));
}

struct Options
{
    int minutes = DefaultMinutes;
    int warmUpSeconds = DefaultWarmUpSeconds;
    bool valid = true;
};

Options parse(const QStringList &arguments)
{
    Options options;
    for (int index = 1; index < arguments.size(); ++index) {
        const QString &name = arguments[index];
        int *value = name == QLatin1String("--minutes") ? &options.minutes
            : name == QLatin1String("--warmup-seconds") ? &options.warmUpSeconds
                                                        : nullptr;
        bool ok = false;
        if (value && index + 1 < arguments.size())
            *value = arguments[++index].toInt(&ok);
        options.valid &= ok && *value > 0;
    }
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    // As the program itself does.
    MallocArenas::useOne();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options options = parse(app.arguments());
    if (!options.valid) {
        std::fprintf(stderr, "usage: bench_soak [--minutes N] [--warmup-seconds N]\n");
        return 2;
    }
    // The scan's and the jobs' trace lines would drown the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    qInstallMessageHandler(countWarnings);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    const Figures bare = settled();
    QString jobLogPath;
    bool ok = true;
    {
        WindowBench::Bench bench;
        for (int port = 1; port <= Devices; ++port)
            ok &= bench.add(port, profileOf(port)) != nullptr;
        const QString firmware =
            bench.file(QStringLiteral("soak.cod"), BenchFirmware::image(FirmwareDataLines));
        Zelkor *window = ok ? bench.open(firmware) : nullptr;
        if (!window) {
            std::fprintf(stderr, "the window did not list the %d simulated devices\n", Devices);
            return 1;
        }
        jobLogPath = QDir::current().absoluteFilePath(QStringLiteral("zelkor-jobs.csv"));
        JobWatch jobs(WindowBench::deviceList(*window));
        Script script(bench, *window, jobs);
        const auto forgetWireLogs = [&] { script.forgetWireLogs(); };
        // Kept short, so that their growth does not shape the allocator's heaps either.
        QTimer wireLogs;
        QObject::connect(&wireLogs, &QTimer::timeout, forgetWireLogs);
        wireLogs.start(WireLogMs);

        std::printf("%d devices, a step every %d ms; warm-up %d s, then %d min\n", Devices, StepMs,
                    options.warmUpSeconds, options.minutes);
        runScript(script, options.warmUpSeconds * 1000LL, [](int) {});
        if (!drain(script, jobs)) {
            printUnfinished(jobs);
            return 1;
        }
        const Figures start = settled(forgetWireLogs);
        printMemory("after warm-up, idle:", start.memory, start.memory);
        const int startedBefore = jobs.started;

        const int every = options.minutes < ShortRunMinutes ? 1 : SampleMinutes;
        runScript(script, options.minutes * 60000LL, [&](int minute) {
            if (minute % every == 0)
                printMemory(qPrintable(QStringLiteral("minute %1, running %2 job(s):")
                                           .arg(minute)
                                           .arg(jobs.running())),
                            Memory::now(), start.memory);
        });
        const bool drained = drain(script, jobs);
        const Figures end = settled(forgetWireLogs);
        printMemory("end, idle:", end.memory, start.memory);
        // What the allocator holds free and could give back, against a leak that stays.
        malloc_trim(0);
        printMemory("end, after malloc_trim:", Memory::now(), start.memory);
        printCounts("end, idle:", end, start, "after warm-up");

        std::printf("jobs started %d (%d after the warm-up), ended %d, unfinished %d; longest "
                    "%.1f s\n",
                    jobs.started, jobs.started - startedBefore, jobs.ended, jobs.running(),
                    jobs.longestMs / 1000.0);
        std::printf("job commands %d, refused by a disabled button %d\n", script.commands,
                    script.refused);
        std::printf("unplugged during a job %d, unplugged idle %d, plugged back in %d\n",
                    script.unpluggedBusy, script.unpluggedIdle, script.replugged);
        if (!drained) {
            printUnfinished(jobs);
            ok = false;
        }
        ok &= !script.failed;

        for (int port = 1; port <= Devices; ++port)
            bench.remove(port);
        QTreeWidget *tree = WindowBench::deviceList(*window);
        ok &= QTest::qWaitFor([&] { return tree->topLevelItemCount() == 0; },
                              WindowBench::ListTimeoutMs);
        // The difference is what the window itself holds while it runs.
        printCounts("devices removed, window scanning:", settled(), bare, "before the devices");
        bench.close();
        // Qt scales and converts the row icons on its pool's threads, which it ends only after
        // they have idled for 30 s; ending them now leaves what nobody ended.
        QThreadPool::globalInstance()->waitForDone();
        printCounts("window closed:", settled(), bare, "before the devices");
        std::printf("job log:\n");
        const int logged = printJobLog(jobLogPath);
        std::printf("job log rows %d against jobs ended %d\n", logged, jobs.ended);
    }
    printWarnings();
    return ok ? 0 : 1;
}
