#include "FirmwareProtocol.h"

#include "WireFormat.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr int WordSize = 4;
constexpr int CheckSize = 2;
constexpr int CalibrationBlockSize = 80;
constexpr int OldCalibrationBlockSize = 24;
constexpr int GetiFieldsSize = 14; // type 4, model 2, description 8
// "1234" returns m0, m1, m4, m5 first, then the other words in order.
constexpr int OldMeasurementOrder[] = {0, 1, 4, 5, 2, 3, 6, 7, 8, 9, 10, 11, 12, 13};

const QByteArray Errc = QByteArrayLiteral("errc");

QByteArray field(const QByteArray &text, int width)
{
    QByteArray bytes = text.left(width);
    bytes.append(QByteArray(width - bytes.size(), '\0'));
    return bytes;
}

// Data block, its check value, then the command word.
DeviceReply dataReply(const QByteArray &word, const QByteArray &data)
{
    DeviceReply reply;
    reply.bytes = WireFormat::withCheck(data) + word;
    reply.checkAt = int(data.size());
    reply.echoAt = int(data.size()) + CheckSize;
    reply.echoSize = WordSize;
    return reply;
}

QByteArray le32(quint32 value)
{
    char raw[4];
    qToLittleEndian(value, raw);
    return QByteArray(raw, 4);
}

QByteArray versionBytes(const FirmwareVersion &version)
{
    QByteArray bytes;
    bytes.append(char(version.major));
    bytes.append(char(version.minor));
    WireFormat::appendLe16(bytes, version.build);
    return bytes;
}

int calibrationBlockSize(const QByteArray &word)
{
    if (word == "scal")
        return CalibrationBlockSize;
    return word == "s002" ? OldCalibrationBlockSize : 0;
}

bool isPlainCommand(const QByteArray &word)
{
    static const QByteArray words[] = {"geti", "gser", "g000", "gfwv", "g001",
                                       "rdan", "1234", "calb", "init", "save"};
    return std::find(std::begin(words), std::end(words), word) != std::end(words);
}

} // namespace

DeviceProtocol::Cut FirmwareProtocol::cut(const QByteArray &input) const
{
    if (input.size() < WordSize)
        return needMore();
    if (const std::optional<Cut> shared = sharedRequest(input))
        return *shared;
    const QByteArray word = input.left(WordSize);
    if (word == WireFormat::loaderProbeHead()) {
        const QByteArray probe = WireFormat::loaderProbe();
        if (input.size() < probe.size())
            return needMore();
        const bool isProbe = input.startsWith(probe);
        return request(int(probe.size()),
                       isProbe ? QStringLiteral("loader-probe") : QStringLiteral("unknown"));
    }
    if (const int blockSize = calibrationBlockSize(word)) {
        const int length = WordSize + blockSize + CheckSize;
        return input.size() < length ? needMore() : request(length, QString::fromLatin1(word));
    }
    if (isPlainCommand(word))
        return request(WordSize, QString::fromLatin1(word));
    // Out of step with the sender: drop everything received so far.
    return request(int(input.size()), QStringLiteral("unknown"));
}

DeviceReply FirmwareProtocol::answer(const DeviceRequest &request, DeviceContext &context) const
{
    DeviceState &state = context.state;
    const DeviceProfile &profile = context.profile;
    if (request.name == QLatin1String("RESET")) {
        ++state.resets;
        state.enterLoader(context.now, profile.bootDelayMs);
        return {};
    }
    if (request.name == QLatin1String("1g")) {
        if (profile.probeAnswer == DeviceProfile::ProbeAnswer::Yes)
            return WireFormat::probeAnswer("yy");
        return WireFormat::fixedAnswer(Errc);
    }
    const QByteArray word = request.bytes.left(WordSize);
    const bool known = isPlainCommand(word) || calibrationBlockSize(word);
    if (!known || !profile.answers(word))
        return {};

    if (word == "geti")
        return getInfo(profile);
    if (word == "gser" || word == "g000")
        return dataReply(word, le32(profile.serialNumber));
    if (word == "gfwv" || word == "g001")
        return dataReply(word, versionBytes(state.firmware));
    if (word == "rdan" || word == "1234")
        return measurements(profile, word == "1234");
    if (word == "calb") {
        if (profile.calbNeedsInit && !state.initialised)
            return {};
        state.calibrating = true;
    } else if (word == "init") {
        state.initialised = true;
    } else if (word == "save") {
        state.saved = true;
    } else {
        return storeCalibration(request, state);
    }
    return WireFormat::fixedAnswer(word);
}

DeviceReply FirmwareProtocol::refuse(const DeviceRequest &request, int) const
{
    if (request.name == QLatin1String("RESET"))
        return {};
    return WireFormat::fixedAnswer(Errc);
}

DeviceReply FirmwareProtocol::getInfo(const DeviceProfile &profile)
{
    if (profile.getiLength != 20 && profile.getiLength != 36)
        return {};
    QByteArray data =
        field(profile.type, 4) + field(profile.model, 2) + field(profile.description, 8);
    // Filler that is not zero, so that a reader running past the description notices.
    const int dataSize = profile.getiLength - CheckSize - WordSize;
    data.append(QByteArray(dataSize - GetiFieldsSize, '#'));
    return dataReply("geti", data);
}

DeviceReply FirmwareProtocol::measurements(const DeviceProfile &profile, bool oldForm)
{
    QByteArray block;
    if (!oldForm) {
        for (const qint16 word : profile.measurements)
            WireFormat::appendLe16(block, quint16(word));
        return dataReply("rdan", block);
    }
    for (const int index : OldMeasurementOrder)
        WireFormat::appendLe16(block, quint16(profile.measurements[size_t(index)]));
    DeviceReply reply;
    reply.bytes = "1234" + WireFormat::withCheck(block);
    reply.echoAt = 0;
    reply.echoSize = WordSize;
    reply.checkAt = WordSize + int(block.size());
    return reply;
}

DeviceReply FirmwareProtocol::storeCalibration(const DeviceRequest &request, DeviceState &state)
{
    const QByteArray word = request.bytes.left(WordSize);
    const QByteArray checked = request.bytes.mid(WordSize);
    if (!state.calibrating || !WireFormat::checkMatches(checked))
        return WireFormat::fixedAnswer(Errc);
    const QByteArray block = checked.left(checked.size() - CheckSize);
    if (word == "scal")
        state.calibration = block;
    else
        state.oldCalibration = block;
    state.saved = false;
    return WireFormat::fixedAnswer(word);
}
