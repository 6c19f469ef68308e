#include "JobRunner.h"

#include "ProgressOutput.h"
#include "SignalWatcher.h"

#include <QEventLoop>
#include <QSysInfo>

namespace {
const QString ProgramName = QStringLiteral("zelkor-cli");
const QString RepeatText = QStringLiteral("Error. Trying to update again");
} // namespace

JobRunner::JobRunner(const JobOrder &order, const QStringList &ports, const JobLog &log,
                     std::FILE *progressStream)
    : order(order)
    , ports(ports)
    , log(log)
    , progress(std::make_unique<ProgressOutput>(progressStream, ports))
{ }

JobRunner::~JobRunner() = default;

QList<JobRecord> JobRunner::run()
{
    QEventLoop loop;
    SignalWatcher watcher(SignalWatcher::StopOnBrokenPipe);
    connect(&watcher, &SignalWatcher::caught, this, &JobRunner::stopAll);

    for (const QString &port : ports) {
        auto job = std::make_unique<PortJob>(port, order);
        connect(job.get(), &PortJob::progress, this,
                [this](const QString &port, int percents) { progress->show(port, percents); });
        connect(job.get(), &PortJob::repeating, this,
                [this](const QString &port) { progress->note(port, RepeatText); });
        connect(job.get(), &PortJob::done, this, &JobRunner::jobDone);
        connect(job.get(), &PortJob::done, &loop, [this, &loop] {
            if (running == 0)
                loop.quit();
        });
        jobs.push_back(std::move(job));
    }
    running = int(jobs.size());
    for (auto &job : jobs)
        job->start();
    if (running > 0)
        loop.exec();

    QList<JobRecord> records;
    for (const auto &job : jobs)
        records.append(job->result());
    return records;
}

// A job counts as finished once its row is on disk; a row that can't be written is reported
// and changes nothing about the job.
void JobRunner::jobDone(PortJob *job)
{
    JobRecord record = job->result();
    record.host = QSysInfo::machineHostName();
    record.program = ProgramName;
    QString reason;
    if (!log.append(record, &reason))
        std::fprintf(stderr, "zelkor-cli: job log not written: %s\n", qPrintable(reason));
    --running;
}

void JobRunner::stopAll()
{
    stopped = true;
    for (auto &job : jobs)
        job->stop();
}
