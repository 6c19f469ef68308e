#include "DeviceCommands.h"

#include "ComPort.h"
#include "DeviceInfo.h"
#include "ReplyCheck.h"
#include "crc16.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr unsigned wordLength = 4;
constexpr unsigned checkLength = 2;
constexpr unsigned echoOnlyReply = 4;
// Data block, check value and echo.
constexpr unsigned versionData = 4;
constexpr unsigned measurementData = 48;
static_assert(DeviceCommands::versionReplyLength == versionData + checkLength + wordLength);
static_assert(DeviceCommands::measurementReplyLength == measurementData + checkLength + wordLength);
// This reply starts with the command word instead of ending with it.
constexpr unsigned oldMeasurementData = 28;
static_assert(DeviceCommands::oldMeasurementReplyLength
              == wordLength + oldMeasurementData + checkLength);
// A measurement whose check value is wrong is asked for again this many times.
constexpr int measurementRereads = 3;

template<std::size_t N> void decodeWords(const char *bytes, std::array<qint16, N> *words)
{
    for (std::size_t i = 0; i < N; ++i)
        (*words)[i] = qFromLittleEndian<qint16>(bytes + 2 * i);
}

void copyText(char *text, const char *bytes, std::size_t length)
{
    std::memcpy(text, bytes, length);
    text[length] = '\0';
}

} // namespace

DeviceCommands::DeviceCommands(ComPort &link) : link(link) { }

bool DeviceCommands::getInfo(DeviceInfo *info)
{
    return queryInfo(longInfoReplyLength, info) || queryInfo(shortInfoReplyLength, info);
}

bool DeviceCommands::getFirmwareVersion(FirmwareVersion *version)
{
    return queryVersion("gfwv", version) || queryVersion("g001", version);
}

bool DeviceCommands::readMeasurements(MeasurementBlock *block, bool *answered)
{
    char reply[measurementReplyLength] = {};
    for (int attempt = 0; attempt <= measurementRereads; ++attempt) {
        if (!command("rdan", reply, measurementReplyLength))
            return false;
        *answered = true;
        if (decodeMeasurements(reply, checksFilled, block))
            return true;
    }
    return false;
}

// The transaction's own verdict is of no use here, since its echo check looks at the end of
// the reply; the leading command word decides.
bool DeviceCommands::readMeasurementsOld(OldMeasurementBlock *block)
{
    for (int attempt = 0; attempt <= measurementRereads; ++attempt) {
        char reply[oldMeasurementReplyLength] = {};
        command("1234", reply, oldMeasurementReplyLength);
        if (std::memcmp(reply, "1234", wordLength) != 0)
            return false;
        if (decodeOldMeasurements(reply, checksFilled, block))
            return true;
    }
    return false;
}

// Firmware that is not ready for "calb" takes it after an "init".
bool DeviceCommands::enterCalibration()
{
    char reply[echoOnlyReply] = {};
    if (command("calb", reply, echoOnlyReply))
        return true;
    return command("init", reply, echoOnlyReply) && command("calb", reply, echoOnlyReply);
}

bool DeviceCommands::setCalibration(CalibrationBlock block)
{
    return sendBlock("scal", block);
}

bool DeviceCommands::setCalibrationOld(OldCalibrationBlock block)
{
    return sendBlock("s002", block);
}

bool DeviceCommands::saveDeviceSettings()
{
    char reply[echoOnlyReply] = {};
    return command("save", reply, echoOnlyReply);
}

bool DeviceCommands::command(const char *word, char *reply, unsigned replyLength)
{
    return link.transact(word, wordLength, reply, replyLength);
}

bool DeviceCommands::queryInfo(unsigned replyLength, DeviceInfo *info)
{
    char reply[longInfoReplyLength] = {};
    return command("geti", reply, replyLength)
        && decodeInfo(reply, replyLength, checksFilled, info);
}

bool DeviceCommands::queryVersion(const char *word, FirmwareVersion *version)
{
    char reply[versionReplyLength] = {};
    return command(word, reply, versionReplyLength) && decodeVersion(reply, checksFilled, version);
}

bool DeviceCommands::decodeVersion(const char *reply, bool &checksFilled, FirmwareVersion *version)
{
    if (!ReplyCheck::accepts(reply, versionData, checksFilled))
        return false;
    *version = {quint8(reply[0]), quint8(reply[1]), qFromLittleEndian<quint16>(reply + 2)};
    return true;
}

// Data block and its check value, then the echo; the texts lie at the start of the block.
bool DeviceCommands::decodeInfo(const char *reply, unsigned replyLength, bool &checksFilled,
                                DeviceInfo *info)
{
    if (!ReplyCheck::accepts(reply, replyLength - checkLength - wordLength, checksFilled))
        return false;
    copyText(info->type, reply, 4);
    copyText(info->model, reply + 4, 2);
    copyText(info->description, reply + 6, 8);
    return true;
}

bool DeviceCommands::decodeMeasurements(const char *reply, bool &checksFilled,
                                        MeasurementBlock *block)
{
    if (!ReplyCheck::accepts(reply, measurementData, checksFilled))
        return false;
    decodeWords(reply, block);
    return true;
}

bool DeviceCommands::decodeOldMeasurements(const char *reply, bool &checksFilled,
                                           OldMeasurementBlock *block)
{
    if (!ReplyCheck::accepts(reply + wordLength, oldMeasurementData, checksFilled))
        return false;
    decodeWords(reply + wordLength, block);
    return true;
}

// Command word, the words low byte first, then the check value over the words alone.
template<std::size_t N>
bool DeviceCommands::sendBlock(const char *word, const std::array<qint16, N> &block)
{
    QByteArray data(int(2 * N), '\0');
    for (std::size_t i = 0; i < N; ++i)
        qToLittleEndian<qint16>(block[i], data.data() + 2 * i);
    QByteArray request(word, wordLength);
    request += data;
    QByteArray check(2, '\0');
    qToLittleEndian<quint16>(crc16(data.constData(), unsigned(data.size())), check.data());
    request += check;
    char reply[echoOnlyReply] = {};
    return link.transact(request.constData(), unsigned(request.size()), reply, echoOnlyReply);
}
