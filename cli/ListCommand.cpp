#include "ListCommand.h"

#include "CliOptions.h"
#include "ExitCode.h"
#include "ResultOutput.h"
#include "ScanPass.h"

#include <cstdio>

int ListCommand::run(const CliOptions &options)
{
    QList<PortRefusal> refused;
    const QList<TDevices> devices = ScanPass::devices(&refused);
    const QByteArray out =
        options.json ? ResultOutput::deviceJson(devices) : ResultOutput::deviceLines(devices);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    // A port left out of the list without a word would look like a device that is not there.
    const QByteArray why = ResultOutput::refusalLines(refused);
    std::fwrite(why.constData(), 1, size_t(why.size()), stderr);
    return ExitSuccess;
}
