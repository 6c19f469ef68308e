// The simulator's side of the line: bytes arriving at a simulated device in any mode, cut into
// requests and answered, with a fault of any kind on the line, while time passes.
//
// Input: a byte for the device (bits 0-2: its profile, bit 3: one stop bit, bits 4-7: the kind
// of fault, 0 for none), the fault's settings when there is one, then chunks of the line: the
// milliseconds since the last one (in tens), a length and that many bytes.
#include "DeviceEngine.h"
#include "FuzzInput.h"

#include <optional>

namespace {

constexpr int ProfileCount = 6;
constexpr int MillisecondsPerStep = 10;

DeviceProfile profile(int index)
{
    switch (index % ProfileCount) {
    case 0:
        return DeviceProfile::ready();
    case 1:
        return DeviceProfile::legacy();
    case 2:
        return DeviceProfile::loader();
    case 3: {
        DeviceProfile intact = DeviceProfile::loader();
        intact.firmwareIntact = true;
        return intact;
    }
    case 4:
        return DeviceProfile::isp();
    }
    return DeviceProfile::silent();
}

// The fault's numbers as small signed values, so that "every one" (-1) and "default" come up.
std::optional<DeviceFault> fault(int kind, FuzzInput &input)
{
    if (kind == 0 || kind > DeviceFault::Unplug + 1)
        return std::nullopt;
    DeviceFault fault = DeviceFault::on(QStringLiteral("*"), DeviceFault::Kind(kind - 1),
                                        input.byte() % 4, qint8(input.byte()));
    fault.bytes = qint8(input.byte());
    fault.delayMs = qint8(input.byte());
    fault.value = input.byte();
    fault.payload = input.take(input.byte() % 8);
    return fault;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const quint8 device = input.byte();
    DeviceEngine engine(profile(device & 7));
    const bool oneStopBit = device & 8;
    if (const std::optional<DeviceFault> f = fault(device >> 4, input))
        engine.addFault(*f);

    DeviceEngine::Clock::time_point now = DeviceEngine::Clock::now();
    const auto stopBits = [oneStopBit] { return oneStopBit; };
    while (!input.isEmpty() && !engine.wantsUnplug()) {
        now += std::chrono::milliseconds(input.byte() * MillisecondsPerStep);
        engine.receive(input.take(input.byte()), now);
        engine.serve(now, stopBits);
        engine.takeOutput(now);
        engine.nextWake();
    }
    engine.state();
    return 0;
}
