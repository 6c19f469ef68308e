#include "ListCommand.h"

#include "CliOptions.h"
#include "ComPort.h"
#include "ExitCode.h"
#include "PortNameMap.h"
#include "ResultOutput.h"
#include "ScanPass.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace {

bool byPortNumber(const TDevices &a, const TDevices &b)
{
    return PortNameMap::portNumber(a.location) < PortNameMap::portNumber(b.location);
}

// Another program's scan holds each port for a moment only: a port it held is asked again once
// it is free, as update and calibrate wait for theirs.
void askHeldPortsAgain(QList<TDevices> &devices, QList<PortRefusal> &refused)
{
    const qsizetype listed = devices.size();
    for (qsizetype i = refused.size() - 1; i >= 0; --i) {
        if (refused.at(i).error.kind != PortError::Busy)
            continue;
        ComPort link;
        if (!link.openWhenFree(refused.at(i).portName.toLatin1().constData(), StopBits::Two))
            continue;
        link.close();
        if (const std::optional<TDevices> device = ScanPass::device(refused.takeAt(i).portName))
            devices.append(*device);
    }
    if (devices.size() > listed)
        std::sort(devices.begin(), devices.end(), byPortNumber);
}

} // namespace

int ListCommand::run(const CliOptions &options)
{
    QList<PortRefusal> refused;
    qsizetype asked = 0;
    QList<TDevices> devices = ScanPass::devices(&refused, &asked);
    askHeldPortsAgain(devices, refused);
    const QByteArray out = options.json ? ResultOutput::deviceJson(devices, refused)
                                        : ResultOutput::deviceLines(devices);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    // A port left out of the list without a word would look like a device that is not there.
    QByteArray why = ResultOutput::refusalLines(refused);
    if (devices.isEmpty() && refused.isEmpty())
        why = ResultOutput::messageLines({QCoreApplication::translate(
            "ListCommand", "no device answered on %n port(s)", nullptr, int(asked))});
    std::fwrite(why.constData(), 1, size_t(why.size()), stderr);
    return refused.isEmpty() ? ExitSuccess : ExitPortUnavailable;
}
