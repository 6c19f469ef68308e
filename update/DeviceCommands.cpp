#include "DeviceCommands.h"

#include "ComPort.h"
#include "DeviceInfo.h"
#include "crc16.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr unsigned wordLength = 4;
constexpr unsigned checkLength = 2;
constexpr unsigned echoOnlyReply = 4;
// Data block, check value and echo.
constexpr unsigned versionData = 4;
constexpr unsigned longInfoData = 30;
constexpr unsigned shortInfoData = 14;
constexpr unsigned measurementData = 48;
constexpr unsigned versionReply = versionData + checkLength + wordLength;
constexpr unsigned longInfoReply = longInfoData + checkLength + wordLength;
constexpr unsigned shortInfoReply = shortInfoData + checkLength + wordLength;
constexpr unsigned measurementReply = measurementData + checkLength + wordLength;
// This reply starts with the command word instead of ending with it.
constexpr unsigned oldMeasurementData = 28;
constexpr unsigned oldMeasurementReply = wordLength + oldMeasurementData + checkLength;
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
    char reply[longInfoReply] = {};
    if (!checkedCommand("geti", reply, longInfoReply, 0, longInfoData)
        && !checkedCommand("geti", reply, shortInfoReply, 0, shortInfoData))
        return false;
    copyText(info->type, reply, 4);
    copyText(info->model, reply + 4, 2);
    copyText(info->description, reply + 6, 8);
    return true;
}

bool DeviceCommands::getFirmwareVersion(FirmwareVersion *version)
{
    return queryVersion("gfwv", version) || queryVersion("g001", version);
}

bool DeviceCommands::readMeasurements(MeasurementBlock *block)
{
    char reply[measurementReply] = {};
    for (int attempt = 0; attempt <= measurementRereads; ++attempt) {
        if (!command("rdan", reply, measurementReply))
            return false;
        if (checkMatches(reply, 0, measurementData)) {
            decodeWords(reply, block);
            return true;
        }
    }
    return false;
}

// The transaction's own verdict is of no use here, since its echo check looks at the end of
// the reply; the leading command word decides.
bool DeviceCommands::readMeasurementsOld(OldMeasurementBlock *block)
{
    for (int attempt = 0; attempt <= measurementRereads; ++attempt) {
        char reply[oldMeasurementReply] = {};
        command("1234", reply, oldMeasurementReply);
        if (std::memcmp(reply, "1234", wordLength) != 0)
            return false;
        if (checkMatches(reply, wordLength, oldMeasurementData)) {
            decodeWords(reply + wordLength, block);
            return true;
        }
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

bool DeviceCommands::checkedCommand(const char *word, char *reply, unsigned replyLength,
                                    unsigned dataOffset, unsigned dataLength)
{
    return command(word, reply, replyLength) && checkMatches(reply, dataOffset, dataLength);
}

bool DeviceCommands::checkMatches(const char *reply, unsigned dataOffset, unsigned dataLength) const
{
    return !repliesChecked
        || crc16(reply + dataOffset, dataLength)
        == qFromLittleEndian<quint16>(reply + dataOffset + dataLength);
}

// The version decides whether this firmware fills in check values.
bool DeviceCommands::queryVersion(const char *word, FirmwareVersion *version)
{
    char reply[versionReply] = {};
    if (!command(word, reply, versionReply))
        return false;
    repliesChecked = crc16(reply, versionData) == qFromLittleEndian<quint16>(reply + versionData);
    version->major = quint8(reply[0]);
    version->minor = quint8(reply[1]);
    version->build = qFromLittleEndian<quint16>(reply + 2);
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
