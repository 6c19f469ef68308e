#include "JobRunner.h"

#include "JobController.h"
#include "ProgressOutput.h"
#include "SignalWatcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>

namespace {
const QString ProgramName = QStringLiteral("zelkor-cli");
const char RepeatText[] = QT_TRANSLATE_NOOP("JobRunner", "Error. Trying to update again");
} // namespace

JobRunner::JobRunner(const JobOrder &order, const QStringList &ports, const JobLog &log,
                     std::FILE *progressStream)
    : order(order)
    , ports(ports)
    , log(log)
    , progress(progressStream ? std::make_unique<ProgressOutput>(progressStream, ports) : nullptr)
{ }

JobRunner::~JobRunner() = default;

QList<JobRecord> JobRunner::run()
{
    QEventLoop loop;
    JobController jobs(ProgramName, log);
    QHash<QString, JobRecord> records;
    if (progress) {
        connect(
            &jobs, &JobController::progress, this,
            [this](const QString &port, const JobProgress &value) { progress->show(port, value); });
        connect(&jobs, &JobController::failed, this,
                [this](const QString &port, JobResult::Code code) { progress->fail(port, code); });
        connect(&jobs, &JobController::repeating, this, [this](const QString &port) {
            progress->note(port, QCoreApplication::translate("JobRunner", RepeatText));
        });
    }
    // A job counts as finished once its row is on disk; a row that can't be written is
    // reported and changes nothing about the job.
    connect(
        &jobs, &JobController::recorded, this, [&](const JobRecord &record, const QString &reason) {
            if (!reason.isEmpty())
                std::fprintf(stderr, "zelkor-cli: job log not written: %s\n", qPrintable(reason));
            records.insert(record.port, record);
            if (records.size() == ports.size())
                loop.quit();
        });
    SignalWatcher watcher(SignalWatcher::StopOnBrokenPipe);
    connect(&watcher, &SignalWatcher::caught, this, [this, &jobs] {
        stopped = true;
        jobs.stopAll();
    });

    for (const QString &port : ports)
        jobs.start(port, order);
    if (records.size() < ports.size())
        loop.exec();

    QList<JobRecord> ordered;
    for (const QString &port : ports)
        ordered.append(records.value(port));
    return ordered;
}
