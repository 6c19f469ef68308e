#ifndef DEVICEENGINE_H
#define DEVICEENGINE_H

#include "DeviceProfile.h"
#include "DeviceState.h"
#include "FaultScript.h"
#include "FirmwareProtocol.h"
#include "IncomingLine.h"
#include "IspProtocol.h"
#include "LoaderProtocol.h"
#include "OutgoingLine.h"
#include "WireLog.h"

#include <QMutex>

#include <functional>

// The inside of one simulated device, free of any operating-system call: bytes in, requests
// cut and answered in the current mode, faults applied, replies paced, everything logged.
//
// receive(), serve(), takeOutput() and nextWake() belong to the thread that runs the device;
// state(), addFault(), clearFaults() and log() may be called from any thread.
class DeviceEngine
{
public:
    using Clock = LineTiming::Clock;
    using StopBitQuery = std::function<bool()>;

    // A request that has stopped arriving half-way is dropped after this long without a byte.
    static constexpr std::chrono::milliseconds IncompleteRequestTimeout {300};

    explicit DeviceEngine(const DeviceProfile &profile);

    const DeviceProfile &profile() const { return deviceProfile; }

    void receive(const QByteArray &bytes, Clock::time_point now);
    // Answers every request that has fully arrived by `now`; `oneStopBit` tells how the
    // program has set the line.
    void serve(Clock::time_point now, const StopBitQuery &oneStopBit);
    QByteArray takeOutput(Clock::time_point now);
    // When serve() or takeOutput() next has something to do; Clock::time_point::max() if never.
    Clock::time_point nextWake() const;

    // True once a fault has pulled the plug; the owner then removes the line.
    bool wantsUnplug() const { return unplugDue; }
    void markUnplugged();

    DeviceState state() const;
    void addFault(const DeviceFault &fault);
    void clearFaults();
    WireLog &log() { return wireLog; }
    const WireLog &log() const { return wireLog; }

private:
    const DeviceProtocol &protocolFor(DeviceMode mode) const;
    DeviceMode currentMode() const;
    void dispatch(const DeviceRequest &request, const DeviceProtocol &protocol,
                  Clock::time_point arrived, Clock::time_point now, const StopBitQuery &oneStopBit);
    QList<ReplyPiece> carryOut(const DeviceRequest &request, const DeviceProtocol &protocol,
                               const std::optional<DeviceFault> &fault, DeviceContext &context);
    void dropIncomplete(Clock::time_point now);
    void bootIfDue(Clock::time_point now);
    QByteArray queueReply(const QList<ReplyPiece> &pieces, Clock::time_point now);

    const DeviceProfile deviceProfile;
    WireLog wireLog;

    mutable QMutex mutex; // guards deviceState and faults
    DeviceState deviceState;
    FaultScript faults;

    // The device thread's own.
    IncomingLine incoming;
    OutgoingLine outgoing;
    FirmwareProtocol firmware;
    LoaderProtocol loader;
    IspProtocol isp {true};
    IspProtocol nothing {false};
    bool unplugDue = false;
};

#endif // DEVICEENGINE_H
