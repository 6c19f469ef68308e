#include "JobCommand.h"

#include "CliOptions.h"
#include "ComPort.h"
#include "ExitCode.h"
#include "FirmwareFile.h"
#include "JobLog.h"
#include "JobResult.h"
#include "JobResultText.h"
#include "JobRunner.h"
#include "PortNameMap.h"
#include "PortResolver.h"
#include "ResultOutput.h"

#include <cstdio>

namespace {

void complain(const QString &text)
{
    std::fprintf(stderr, "zelkor-cli: %s\n", qPrintable(text));
}

} // namespace

int JobCommand::run(const CliOptions &options)
{
    QStringList ports;
    if (!resolvePorts(options.ports, ports))
        return ExitUsage;
    if (options.updates() && !firmwareFileSound(options.firmwareFile))
        return ExitUsage;
    if (!portsAvailable(ports))
        return ExitPortUnavailable;

    JobOrder order;
    order.kind = options.kind();
    order.firmwareFile = options.firmwareFile;
    order.volts = options.voltage.value_or(0.0);
    order.repeats = options.repeats;
    // JSON owns standard output; progress goes beside the messages then.
    JobRunner runner(order, ports, JobLog(options.jobLogFile), options.json ? stderr : stdout);
    const QList<JobRecord> records = runner.run();

    const QByteArray out =
        options.json ? ResultOutput::jobJson(records) : ResultOutput::jobLines(records);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
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

bool JobCommand::resolvePorts(const QStringList &arguments, QStringList &ports)
{
    for (const QString &argument : arguments) {
        QString error;
        const std::optional<QString> port = PortResolver::resolve(argument, &error);
        if (!port) {
            complain(error);
            return false;
        }
        if (ports.contains(*port)) {
            complain(QStringLiteral("%1 is named twice").arg(*port));
            return false;
        }
        ports.append(*port);
    }
    return true;
}

bool JobCommand::firmwareFileSound(const QString &path)
{
    FirmwareFile file(path);
    const JobResult::Code result = file.read();
    if (result == JobResult::Ok)
        return true;
    complain(QStringLiteral("%1: %2").arg(path, JobResultText::message(result)));
    return false;
}

bool JobCommand::portsAvailable(const QStringList &ports)
{
    QList<PortRefusal> refused;
    for (const QString &port : ports) {
        ComPort link;
        if (link.openWhenFree(port.toLatin1().constData(), StopBits::Two)) {
            link.close();
            continue;
        }
        PortRefusal refusal {port, PortNameMap::instance().devicePath(port), link.lastError(),
                             QString(), 0};
        refusal.findHolder();
        refused.append(refusal);
    }
    const QByteArray out = ResultOutput::refusalLines(refused);
    std::fwrite(out.constData(), 1, size_t(out.size()), stderr);
    return refused.isEmpty();
}
