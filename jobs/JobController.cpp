#include "JobController.h"

#include "DeviceJob.h"
#include "DeviceThread.h"
#include "JobLogging.h"

#include <QSysInfo>

#include <algorithm>

namespace {

QString summary(const JobRecord &record)
{
    return QStringLiteral("%1 %2 (%3) serial %4, firmware %5")
               .arg(JobRecord::jobName(record.kind), record.port, record.devicePath,
                    record.serialNumber, record.firmwareBefore)
        + (record.firmwareFile.isEmpty() ? QString()
                                         : QStringLiteral(", file %1").arg(record.firmwareFile));
}

} // namespace

JobController::JobController(const QString &program, const JobLog &log, DeviceThread *scanner)
    : program(program), log(log), scanner(scanner)
{
    if (scanner) {
        registerDeviceMetaTypes();
        connect(scanner, &DeviceThread::finish, this,
                [this](const QStringList &, const QList<TDevices> &devices) { scanned(devices); });
    }
}

JobController::~JobController()
{
    stopAll();
}

void JobController::start(const QString &port, const JobOrder &order)
{
    auto *job = new DeviceJob(port, order, scanner);
    job->setParent(this);
    connect(job, &DeviceJob::started, this, &JobController::jobStarted);
    connect(job, &DeviceJob::progress, this, &JobController::progress);
    connect(job, &DeviceJob::failed, this, &JobController::failed);
    connect(job, &DeviceJob::repeating, this, &JobController::repeating);
    connect(job, &DeviceJob::finished, this, &JobController::jobFinished);
    jobs.append(job);
    const auto seen = lastSeen.constFind(port);
    job->start(seen == lastSeen.constEnd() ? std::nullopt : std::optional<TDevices>(*seen));
}

int JobController::running() const
{
    return int(std::count_if(jobs.cbegin(), jobs.cend(),
                             [](const DeviceJob *job) { return !job->isOver(); }));
}

void JobController::jobStarted(DeviceJob *job)
{
    qCInfo(lcJob).noquote() << "Job started:" << summary(job->record());
}

void JobController::jobFinished(DeviceJob *job)
{
    emit finished(job->record());
    if (!job->awaitsScan())
        this->record(job);
}

// Every pass counts, also one that the window does not show.
void JobController::scanned(const QList<TDevices> &devices)
{
    for (const TDevices &device : devices) {
        lastSeen.insert(device.location, device);
        const QList<DeviceJob *> waiting = jobs;
        for (DeviceJob *job : waiting) {
            if (job->awaitsScan() && job->record().port == device.location) {
                job->setSeenAfter(device);
                record(job);
            }
        }
    }
}

void JobController::record(DeviceJob *job)
{
    JobRecord record = job->record();
    record.host = QSysInfo::machineHostName();
    record.program = program;
    pending.append(record);
    jobs.removeOne(job);
    // Called from the job's own signal: it may only go once that has returned.
    job->deleteLater();
    writeNext();
}

void JobController::writeNext()
{
    if (writer.busy() || pending.isEmpty())
        return;
    writing = pending.takeFirst();
    // On the way out there is no later to report to.
    if (stopped) {
        log.append(writing, &writeError);
        written();
        return;
    }
    writer.run([this] { log.append(writing, &writeError); }, [this] { written(); });
}

void JobController::written()
{
    qCInfo(lcJob).noquote() << "Job ended:" << summary(writing)
                            << QStringLiteral("-> %1: %2").arg(writing.firmwareAfter,
                                                               writing.resultText);
    const QString reason = std::exchange(writeError, QString());
    emit recorded(writing, reason);
    writeNext();
}

void JobController::stopAll()
{
    stopped = true;
    // The row on its way is reported once the writer has ended; the rest go out here.
    if (writer.busy()) {
        writer.stop();
        written();
    }
    for (DeviceJob *job : QList<DeviceJob *>(jobs))
        job->abandon();
    for (DeviceJob *job : QList<DeviceJob *>(jobs)) {
        job->setSeenAfter(std::nullopt);
        record(job);
    }
}
