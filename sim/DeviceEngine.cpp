#include "DeviceEngine.h"

#include <QMutexLocker>

DeviceEngine::DeviceEngine(const DeviceProfile &profile)
    : deviceProfile(profile), incoming(profile.pacing), outgoing(profile.pacing)
{
    deviceState.firmware = profile.firmware;
    deviceState.firmwareIntact = profile.mode == DeviceMode::Firmware || profile.firmwareIntact;
    if (profile.mode == DeviceMode::Loader)
        deviceState.enterLoader(Clock::now(), profile.bootDelayMs);
    deviceState.mode = profile.mode;
}

void DeviceEngine::receive(const QByteArray &bytes, Clock::time_point now)
{
    incoming.receive(bytes, now);
}

void DeviceEngine::serve(Clock::time_point now, const StopBitQuery &oneStopBit)
{
    bootIfDue(now);
    while (!incoming.isEmpty() && !unplugDue) {
        const DeviceProtocol &protocol = protocolFor(currentMode());
        const DeviceProtocol::Cut cut = protocol.cut(incoming.bytes());
        if (!cut.complete) {
            dropIncomplete(now);
            return;
        }
        const Clock::time_point arrived = incoming.arrivalOf(cut.length);
        if (arrived > now)
            return;
        const DeviceRequest request {cut.name, incoming.bytes().left(cut.length)};
        incoming.consume(cut.length);
        dispatch(request, protocol, arrived, now, oneStopBit);
    }
}

QByteArray DeviceEngine::takeOutput(Clock::time_point now)
{
    return outgoing.takeDue(now);
}

DeviceEngine::Clock::time_point DeviceEngine::nextWake() const
{
    Clock::time_point wake = outgoing.nextDue();
    if (!incoming.isEmpty()) {
        const DeviceProtocol::Cut cut = protocolFor(currentMode()).cut(incoming.bytes());
        wake = std::min(wake,
                        cut.complete ? incoming.arrivalOf(cut.length)
                                     : incoming.lastArrival() + IncompleteRequestTimeout);
    }
    QMutexLocker locker(&mutex);
    if (deviceState.bootAt)
        wake = std::min(wake, *deviceState.bootAt);
    return wake;
}

void DeviceEngine::markUnplugged()
{
    QMutexLocker locker(&mutex);
    deviceState.mode = DeviceMode::Unplugged;
    deviceState.bootAt.reset();
}

DeviceState DeviceEngine::state() const
{
    QMutexLocker locker(&mutex);
    return deviceState;
}

void DeviceEngine::addFault(const DeviceFault &fault)
{
    QMutexLocker locker(&mutex);
    faults.add(fault);
}

void DeviceEngine::clearFaults()
{
    QMutexLocker locker(&mutex);
    faults.clear();
}

const DeviceProtocol &DeviceEngine::protocolFor(DeviceMode mode) const
{
    switch (mode) {
    case DeviceMode::Firmware:
        return firmware;
    case DeviceMode::Loader:
        return loader;
    case DeviceMode::Isp:
        return isp;
    case DeviceMode::Silent:
    case DeviceMode::Unplugged:
        break;
    }
    return nothing;
}

DeviceMode DeviceEngine::currentMode() const
{
    QMutexLocker locker(&mutex);
    return deviceState.mode;
}

void DeviceEngine::dispatch(const DeviceRequest &request, const DeviceProtocol &protocol,
                            Clock::time_point arrived, Clock::time_point now,
                            const StopBitQuery &oneStopBit)
{
    WireRecord record {arrived, DeviceMode::Firmware, request.name, request.bytes, {}, {}};
    QList<ReplyPiece> pieces;
    {
        QMutexLocker locker(&mutex);
        record.mode = deviceState.mode;
        // Traffic keeps a loader from booting: it boots after a quiet spell only.
        if (deviceState.bootAt)
            deviceState.bootAt = now + std::chrono::milliseconds(deviceProfile.bootDelayMs);
        if (arrived < deviceState.restartingUntil) {
            record.fault = QStringLiteral("restarting");
        } else {
            const std::optional<DeviceFault> fault = faults.take(request.name);
            if (fault)
                record.fault = DeviceFault::kindName(fault->kind);
            DeviceContext context {deviceState, deviceProfile, oneStopBit(), now};
            pieces = carryOut(request, protocol, fault, context);
            if (request.name == QLatin1String("RESET") && !(fault && fault->refusesRequest()))
                deviceState.restartingUntil =
                    arrived + std::chrono::milliseconds(deviceProfile.resetSettleMs);
        }
    }
    record.reply = queueReply(pieces, now);
    wireLog.append(record);
}

QList<ReplyPiece> DeviceEngine::carryOut(const DeviceRequest &request,
                                         const DeviceProtocol &protocol,
                                         const std::optional<DeviceFault> &fault,
                                         DeviceContext &context)
{
    if (!fault)
        return {{0, protocol.answer(request, context).bytes}};
    switch (fault->kind) {
    case DeviceFault::Unplug:
        unplugDue = true;
        return {};
    case DeviceFault::NoReply:
        return {};
    case DeviceFault::BadStatus:
        return {{0, protocol.refuse(request, fault->value).bytes}};
    default:
        return fault->shape(protocol.answer(request, context));
    }
}

void DeviceEngine::dropIncomplete(Clock::time_point now)
{
    if (now - incoming.lastArrival() < IncompleteRequestTimeout)
        return;
    WireRecord record {incoming.lastArrival(),
                       currentMode(),
                       QStringLiteral("incomplete"),
                       incoming.bytes(),
                       {},
                       {}};
    incoming.consume(int(incoming.bytes().size()));
    wireLog.append(record);
}

void DeviceEngine::bootIfDue(Clock::time_point now)
{
    QMutexLocker locker(&mutex);
    if (deviceState.mode == DeviceMode::Loader && deviceState.bootAt && now >= *deviceState.bootAt)
        deviceState.bootFirmware();
}

QByteArray DeviceEngine::queueReply(const QList<ReplyPiece> &pieces, Clock::time_point now)
{
    Clock::time_point start = now + std::chrono::milliseconds(deviceProfile.replyLatencyMs);
    QByteArray all;
    for (const ReplyPiece &piece : pieces) {
        start += std::chrono::milliseconds(piece.delayMs);
        outgoing.queue(piece.bytes, start);
        all.append(piece.bytes);
    }
    return all;
}
