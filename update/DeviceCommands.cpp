#include "DeviceCommands.h"

#include "ComPort.h"
#include "DeviceInfo.h"
#include "crc16.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr unsigned wordLength = 4;
constexpr unsigned echoOnlyReply = 4;
// Data block, check value and echo.
constexpr unsigned versionReply = 4 + 2 + 4;
constexpr unsigned longInfoReply = 30 + 2 + 4;
constexpr unsigned shortInfoReply = 14 + 2 + 4;
constexpr unsigned measurementReply = 48 + 2 + 4;
// This reply starts with the command word instead of ending with it.
constexpr unsigned oldMeasurementReply = 4 + 28 + 2;

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
    if (!command("geti", reply, longInfoReply) && !command("geti", reply, shortInfoReply))
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
    if (!command("rdan", reply, measurementReply))
        return false;
    decodeWords(reply, block);
    return true;
}

// The transaction's own verdict is of no use here, since its echo check looks at the end of
// the reply; the leading command word decides.
bool DeviceCommands::readMeasurementsOld(OldMeasurementBlock *block)
{
    char reply[oldMeasurementReply] = {};
    command("1234", reply, oldMeasurementReply);
    if (std::memcmp(reply, "1234", wordLength) != 0)
        return false;
    decodeWords(reply + wordLength, block);
    return true;
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

bool DeviceCommands::queryVersion(const char *word, FirmwareVersion *version)
{
    char reply[versionReply] = {};
    if (!command(word, reply, versionReply))
        return false;
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
