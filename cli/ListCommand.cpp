#include "ListCommand.h"

#include "CliOptions.h"
#include "ExitCode.h"
#include "ScanPass.h"
#include "ResultOutput.h"

#include <cstdio>

int ListCommand::run(const CliOptions &options)
{
    const QList<TDevices> devices = ScanPass::devices();
    const QByteArray out =
        options.json ? ResultOutput::deviceJson(devices) : ResultOutput::deviceLines(devices);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    return ExitSuccess;
}
