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
#include "JobLog.h"
#include "JobResult.h"
#include "JobResultText.h"
#include "JobWatch.h"
#include "MallocArenas.h"
#include "ProcessFigures.h"
#include "SoakScript.h"

#include <QApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QMap>
#include <QMutex>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>
#include <malloc.h>

namespace {

constexpr int DefaultMinutes = 30;
constexpr int DefaultWarmUpSeconds = 120;
// Trend samples of resident memory every 5 minutes, every minute in runs under 10 minutes.
constexpr int SampleMinutes = 5;
constexpr int ShortRunMinutes = 10;
constexpr int DistinctWarningsShown = 20;
// The simulated devices' wire logs are emptied this often.
constexpr int WireLogMs = 100;

// Enough lines that an update spends seconds sending them at line speed, so that a plug pulled
// during a job often cuts an exchange rather than a pause.
constexpr int FirmwareDataLines = 1000;

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
        const auto code = JobResult::Code(fields[ResultCodeField].toInt());
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

// The figures of the jobs and plugs; false when a job did not end.
bool printJobs(const JobWatch &jobs, const SoakScript &script, int startedBefore, bool drained)
{
    std::printf("jobs started %d (%d after the warm-up), ended %d, unfinished %d; longest "
                "%.1f s\n",
                jobs.started, jobs.started - startedBefore, jobs.ended, jobs.running(),
                jobs.longestMs / 1000.0);
    std::printf("job commands %d, refused by a disabled button %d\n", script.commands,
                script.refused);
    std::printf("unplugged during a job %d, unplugged idle %d, plugged back in %d\n",
                script.unpluggedBusy, script.unpluggedIdle, script.replugged);
    if (!drained)
        jobs.printUnfinished();
    return drained;
}

// Every device removed, then the window closed, each against the process before the devices;
// false when the list did not empty.
bool printClosingCounts(WindowBench::Bench &bench, const Zelkor &window, const ProcessFigures &bare)
{
    for (int port = 1; port <= SoakScript::Devices; ++port)
        bench.remove(port);
    QTreeWidget *tree = WindowBench::deviceList(window);
    const bool emptied =
        QTest::qWaitFor([&] { return tree->topLevelItemCount() == 0; }, WindowBench::ListTimeoutMs);
    // The difference is what the window itself holds while it runs.
    ProcessFigures::settled().printCounts("devices removed, window scanning:", bare,
                                          "before the devices");
    bench.close();
    // Qt scales and converts the row icons on its pool's threads, which it ends only after they
    // have idled for 30 s; ending them now leaves what nobody ended.
    QThreadPool::globalInstance()->waitForDone();
    ProcessFigures::settled().printCounts("window closed:", bare, "before the devices");
    return emptied;
}

// The devices plugged in and the window opened on them; nullptr when it did not list them all.
Zelkor *openWindow(WindowBench::Bench &bench)
{
    bool added = true;
    for (int port = 1; port <= SoakScript::Devices; ++port)
        added &= bench.add(port, SoakScript::profileOf(port)) != nullptr;
    const QString firmware =
        bench.file(QStringLiteral("soak.cod"), BenchFirmware::image(FirmwareDataLines));
    Zelkor *window = added ? bench.open(firmware) : nullptr;
    if (!window)
        std::fprintf(stderr, "the window did not list the %d simulated devices\n",
                     SoakScript::Devices);
    return window;
}

// The whole run, from the first device plugged in to the window closed; false when a job did
// not end or the harness failed.
bool soak(const Options &options, const ProcessFigures &bare)
{
    WindowBench::Bench bench;
    Zelkor *window = openWindow(bench);
    if (!window)
        return false;
    JobWatch jobs(WindowBench::deviceList(*window));
    SoakScript script(bench, *window, jobs);
    const auto forgetWireLogs = [&] { script.forgetWireLogs(); };
    // Kept short, so that their growth does not shape the allocator's heaps either.
    QTimer wireLogs;
    QObject::connect(&wireLogs, &QTimer::timeout, forgetWireLogs);
    wireLogs.start(WireLogMs);

    std::printf("%d devices, a step every %d ms; warm-up %d s, then %d min\n", SoakScript::Devices,
                SoakScript::StepMs, options.warmUpSeconds, options.minutes);
    script.run(options.warmUpSeconds * 1000LL);
    if (!script.drain()) {
        jobs.printUnfinished();
        return false;
    }
    const ProcessFigures start = ProcessFigures::settled(forgetWireLogs);
    start.memory.print("after warm-up, idle:", start.memory);
    const int startedBefore = jobs.started;

    const int every = options.minutes < ShortRunMinutes ? 1 : SampleMinutes;
    script.run(options.minutes * 60000LL, [&](int minute) {
        if (minute % every == 0)
            ProcessFigures::Memory::now().print(
                qPrintable(QStringLiteral("minute %1, running %2 job(s):")
                               .arg(minute)
                               .arg(jobs.running())),
                start.memory);
    });
    const bool drained = script.drain();
    const ProcessFigures end = ProcessFigures::settled(forgetWireLogs);
    end.memory.print("end, idle:", start.memory);
    // What the allocator holds free and could give back, against a leak that stays.
    malloc_trim(0);
    ProcessFigures::Memory::now().print("end, after malloc_trim:", start.memory);
    end.printCounts("end, idle:", start, "after warm-up");

    bool ok = printJobs(jobs, script, startedBefore, drained) && !script.failed;
    ok &= printClosingCounts(bench, *window, bare);
    std::printf("job log:\n");
    const int logged = printJobLog(QString::fromLatin1(JobLog::DefaultFileName));
    std::printf("job log rows %d against jobs ended %d\n", logged, jobs.ended);
    return ok;
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

    const bool ok = soak(options, ProcessFigures::settled());
    printWarnings();
    return ok ? 0 : 1;
}
