#ifndef JOBBENCH_H
#define JOBBENCH_H

#include "ProtocolTiming.h"
#include "SimulatedDevice.h"
#include "TestFirmware.h"
#include "WindowBench.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>

// What the window's job tests share: the devices they run jobs on and how they read the wire.
namespace JobBench {

using Clock = std::chrono::steady_clock;
using Faults = QList<DeviceFault>;

// Jobs and the window's check, sanitizers included, take a few seconds at most.
constexpr int JobTimeoutMs = 30000;
// Pauses and ticks at a tenth: an update takes about a second.
constexpr double ShortTiming = 0.1;

// A job's verdict in its row after a failure.
inline const QString UpdateCancelled = QStringLiteral("Firmware update was cancelled");
inline const QString CalibrationCancelled = QStringLiteral("Calibration was cancelled");

// The version the simulated loader reports after booting TestFirmware::tenLines().
inline const QString NewVersion = QStringLiteral("3.1.4");

// A current meter. It answers the status question at once, which keeps scan passes short,
// and boots its firmware 250 ms after a calibration's final reset: later than the job's next
// frame after a reset, earlier than the end of the calibration's ticks at ShortTiming.
inline DeviceProfile meter(quint32 serialNumber = 100001)
{
    DeviceProfile profile = DeviceProfile::ready();
    profile.serialNumber = serialNumber;
    profile.probeAnswer = DeviceProfile::ProbeAnswer::Yes;
    profile.bootDelayMs = 250;
    return profile;
}

// Meters on COM1 to COM<count>, serial numbers 100001 on; false when one can't start.
inline bool addMeters(WindowBench::Bench &bench, int count)
{
    for (int port = 1; port <= count; ++port) {
        if (!bench.add(port, meter(100000 + port)))
            return false;
    }
    return true;
}

// The window on the bench's devices, a ten-line firmware file in its field.
inline Zelkor *openWithFirmware(WindowBench::Bench &bench)
{
    return bench.open(bench.file(QStringLiteral("firmware.cod"), TestFirmware::tenLines()));
}

inline bool isLoaderFrame(const QString &request)
{
    static const QStringList frames {"RESET", "CONNECT", "NEW SECTION", "WRITE DATA", "DISCONNECT"};
    return frames.contains(request);
}

// Requests that reached the device in the time span, ends included.
inline QStringList requestsBetween(const SimulatedDevice &device, Clock::time_point from,
                                   Clock::time_point to)
{
    QStringList requests;
    for (const WireRecord &record : device.log().records()) {
        if (record.received >= from && record.received <= to)
            requests.append(record.request);
    }
    return requests;
}

} // namespace JobBench

#endif // JOBBENCH_H
