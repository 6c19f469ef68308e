// zelkor-devsim's command line, one argument a line, parsed as the program parses it; the
// devices it describes, faults and all, then answer each request the program sends.
#include "DeviceEngine.h"
#include "DevsimOptions.h"
#include "FuzzInput.h"
#include "WireFormat.h"

#include <QStringList>

namespace {

// A frame of the loader: code, length, data, check value.
QByteArray loaderFrame(quint16 code, const QByteArray &data)
{
    QByteArray head;
    WireFormat::appendLe16(head, code);
    WireFormat::appendLe16(head, quint16(data.size()));
    return WireFormat::withCheck(head + data);
}

// What the scan, an update and a calibration send, in the order a job sends it.
QList<QByteArray> programRequests()
{
    QByteArray calibration("scal");
    calibration += WireFormat::withCheck(QByteArray(80, '\1'));
    return {WireFormat::firmwareProbe(),
            WireFormat::loaderProbe(),
            "?",
            "geti",
            "gser",
            "g000",
            "gfwv",
            "g001",
            "rdan",
            "1234",
            "init",
            "calb",
            calibration,
            "save",
            WireFormat::resetFrame(),
            loaderFrame(0x1234, {}),
            loaderFrame(0x4411, "00001000"),
            loaderFrame(0x1144, "VER:2.0.1\n"),
            loaderFrame(0x4321, {}),
            WireFormat::resetFrame()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList arguments {QStringLiteral("zelkor-devsim")};
    const QByteArray text = FuzzInput(data, size).remaining();
    if (!text.isEmpty())
        arguments += QString::fromUtf8(text).split(QLatin1Char('\n'));
    DevsimOptions options;
    if (!options.parse(arguments))
        return 0;
    static const QList<QByteArray> requests = programRequests();
    for (const PlannedDevice &device : options.devices) {
        DeviceEngine engine(device.profile);
        for (const DeviceFault &fault : device.faults)
            engine.addFault(fault);
        DeviceEngine::Clock::time_point now = DeviceEngine::Clock::now();
        for (const QByteArray &request : requests) {
            engine.receive(request, now);
            // Long enough for any paced request, reply, latency and fault delay to be over.
            now += std::chrono::seconds(1000);
            engine.serve(now, [] { return false; });
            engine.takeOutput(now);
        }
    }
    return 0;
}
