#include "JobCommand.h"

#include "CliOptions.h"
#include "ComPort.h"
#include "ExitCode.h"
#include "FirmwareFile.h"
#include "JobLog.h"
#include "JobResult.h"
#include "JobRunner.h"
#include "PlainReason.h"
#include "PortNameMap.h"
#include "PortResolver.h"
#include "RemoteAddress.h"
#include "ResultOutput.h"

#include <QFileInfo>

#include <cstdio>

namespace {

void print(const QByteArray &out)
{
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
}

// The jobs as they would start, for a dry run.
QList<JobRecord> plan(const CliOptions &options, const QStringList &ports)
{
    QList<JobRecord> jobs;
    for (const QString &port : ports) {
        JobRecord job;
        job.port = port;
        job.devicePath = PortNameMap::instance().devicePath(port);
        job.kind = options.kind();
        job.firmwareFile = QFileInfo(options.firmwareFile).fileName();
        job.voltage = options.voltage;
        jobs.append(job);
    }
    return jobs;
}

} // namespace

int JobCommand::run(const CliOptions &options)
{
    QStringList ports;
    QStringList problems;
    if (!resolvePorts(options.ports, ports, &problems)
        || (options.updates() && !firmwareFileSound(options.firmwareFile, &problems)))
        return ResultOutput::refuse(options.json, ExitUsage, problems);
    if (!portsAvailable(ports, &problems))
        return ResultOutput::refuse(options.json, ExitPortUnavailable, problems);
    if (options.dryRun) {
        const QList<JobRecord> jobs = plan(options, ports);
        print(options.json ? ResultOutput::planJson(jobs) : ResultOutput::planLines(jobs));
        return ExitSuccess;
    }

    JobOrder order;
    order.kind = options.kind();
    order.firmwareFile = options.firmwareFile;
    order.volts = options.voltage.value_or(0.0);
    order.repeats = options.repeats;
    // Standard output holds the results alone, for the script that reads them.
    JobRunner runner(order, ports, JobLog(options.jobLogFile), options.quiet ? nullptr : stderr);
    const QList<JobRecord> records = runner.run();
    print(options.json ? ResultOutput::jobJson(records) : ResultOutput::jobLines(records));
    if (runner.interrupted())
        return ExitInterrupted;
    int exitCode = ExitSuccess;
    for (const JobRecord &record : records) {
        // Taken between the check and the job's own open.
        if (record.resultCode == JobResult::PortCantOpen)
            return ExitPortUnavailable;
        if (JobResult::isFailure(record.resultCode))
            exitCode = ExitJobFailed;
    }
    return exitCode;
}

// Two names of one device would give it two jobs at once, the second failing after the first
// ran.
bool JobCommand::resolvePorts(const QStringList &arguments, QStringList &ports,
                              QStringList *problems)
{
    QStringList devices;
    for (const QString &argument : arguments) {
        QString error;
        const std::optional<QString> port = PortResolver::resolve(argument, &error);
        if (!port) {
            problems->append(error);
            return false;
        }
        const QString path = PortNameMap::instance().devicePath(*port);
        const QString device =
            RemoteAddress::isRemote(path) ? path : PortNameMap::deviceNode(path);
        const qsizetype earlier = device.isEmpty() ? -1 : devices.indexOf(device);
        if (ports.contains(*port) || earlier >= 0) {
            problems->append(
                earlier < 0 || ports.at(earlier) == *port
                    ? tr("%1 is named twice").arg(*port)
                    : tr("%1 is named twice: as %2 and %3").arg(device, ports.at(earlier), *port));
            return false;
        }
        ports.append(*port);
        devices.append(device);
    }
    return true;
}

bool JobCommand::firmwareFileSound(const QString &path, QStringList *problems)
{
    FirmwareFile file(path);
    const JobResult::Code result = file.read();
    if (result == JobResult::Ok)
        return true;
    problems->append(PlainReason::of(result, file.defect()));
    return false;
}

bool JobCommand::portsAvailable(const QStringList &ports, QStringList *problems)
{
    for (const QString &port : ports) {
        ComPort link;
        if (link.openWhenFree(port.toLatin1().constData(), StopBits::Two)) {
            link.close();
            continue;
        }
        PortRefusal refusal {port, PortNameMap::instance().devicePath(port), link.lastError(),
                             QString(), 0};
        refusal.findHolder();
        problems->append(ResultOutput::refusalText(refusal));
    }
    return problems->isEmpty();
}
