// Measures one scan pass over 3 devices whose command variants are already known and 5 ports
// where nothing answers, all simulated, and sets it against the read time-outs that the
// protocol itself makes such a pass wait out.

#include "DeviceThread.h"
#include "ModeProbe.h"
#include "SimulatedPorts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int KnownDevices = 3;
constexpr int SilentPorts = 5;
constexpr int MeasuredPasses = 5;

constexpr unsigned StatusReplyLength = 8;
constexpr unsigned ErrcLength = 4;
constexpr unsigned LoaderReplyLength = 2;
constexpr unsigned IspReplyLength = 1;

// A read of n bytes waits constant + n * multiplier when the reply falls short.
unsigned readTimeout(const LinkTimeouts &timeouts, unsigned bytes)
{
    return timeouts.readTotalConstant + bytes * timeouts.readTotalMultiplier;
}

// Firmware that answers "errc" fills half of the 8-byte status reply: the first read waits its
// whole time-out for the rest, the next read for the 4 missing bytes runs out empty.
unsigned mandatedForDevice(DeviceProfile::ProbeAnswer answer)
{
    if (answer == DeviceProfile::ProbeAnswer::Yes)
        return 0;
    const LinkTimeouts &status = ModeProbe::ScanTimeouts.statusQuery;
    return readTimeout(status, StatusReplyLength)
        + readTimeout(status, StatusReplyLength - ErrcLength);
}

// Status query, loader probe, then the ISP probe with the loader probe's time-outs.
unsigned mandatedForSilentPort()
{
    const LinkTimeouts &loader = ModeProbe::ScanTimeouts.loaderQuery;
    return readTimeout(ModeProbe::ScanTimeouts.statusQuery, StatusReplyLength)
        + readTimeout(loader, LoaderReplyLength) + readTimeout(loader, IspReplyLength);
}

qint64 timePass(DeviceThread &worker)
{
    QElapsedTimer timer;
    timer.start();
    worker.start();
    worker.wait();
    QCoreApplication::processEvents(); // drops the queued result
    return timer.elapsed();
}

void measure(DeviceProfile::ProbeAnswer answer, const char *answerName)
{
    SimulatedPorts ports;
    DeviceProfile known = DeviceProfile::ready();
    known.probeAnswer = answer;
    int number = 1;
    for (int i = 0; i < KnownDevices; ++i)
        ports.add(number++, known);
    for (int i = 0; i < SilentPorts; ++i)
        ports.add(number++, DeviceProfile::silent());

    DeviceThread worker;
    const qint64 firstPass = timePass(worker); // learns the variants of each device
    std::vector<qint64> passes;
    for (int i = 0; i < MeasuredPasses; ++i)
        passes.push_back(timePass(worker));
    std::sort(passes.begin(), passes.end());

    const unsigned perDevice = mandatedForDevice(answer);
    const unsigned perSilent = mandatedForSilentPort();
    const unsigned mandated = KnownDevices * perDevice + SilentPorts * perSilent;
    const qint64 median = passes[passes.size() / 2];
    std::printf("%d known devices (status answer %s) + %d silent ports\n", KnownDevices, answerName,
                SilentPorts);
    std::printf("  mandated read time-outs  %d x %u ms + %d x %u ms = %u ms\n", KnownDevices,
                perDevice, SilentPorts, perSilent, mandated);
    std::printf("  first pass               %lld ms\n", static_cast<long long>(firstPass));
    std::printf("  later passes (n=%d)       min %lld  median %lld  max %lld ms\n", MeasuredPasses,
                static_cast<long long>(passes.front()), static_cast<long long>(median),
                static_cast<long long>(passes.back()));
    std::printf("  median / mandated        %.3f  (%lld ms above the time-outs)\n\n",
                double(median) / double(mandated), static_cast<long long>(median - mandated));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    registerDeviceMetaTypes();
    measure(DeviceProfile::ProbeAnswer::Errc, "errc");
    measure(DeviceProfile::ProbeAnswer::Yes, "yy");
    return 0;
}
