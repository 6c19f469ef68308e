#include "FirmwareUpdate.h"

#include "FirmwareFile.h"
#include "ProtocolTiming.h"

FirmwareUpdate::FirmwareUpdate(ComPort &link, const QString &filename, Progress progress)
    : loader(link), filename(filename), progress(std::move(progress))
{ }

int FirmwareUpdate::run()
{
    FirmwareFile file(filename);
    const int readResult = file.read();
    if (readResult != FirmwareFile::Ok)
        return readResult;
    if (!retry(resetAttempts, &LoaderCommands::loaderReset))
        return ResetFailed;
    if (!retry(connectAttempts, &LoaderCommands::loaderConnect))
        return ConnectFailed;

    const QList<QByteArray> &lines = file.lines();
    const qsizetype n = lines.size();
    for (qsizetype j = 0; j < n; ++j) {
        const int result = sendLine(lines.at(j));
        if (result != Ok)
            return result;
        progress(int((j + 1) * linesPercent / n));
    }
    file.close();
    restartDevice();
    return Ok;
}

bool FirmwareUpdate::retry(int attempts, bool (LoaderCommands::*command)())
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if ((loader.*command)())
            return true;
    }
    return false;
}

int FirmwareUpdate::sendLine(const QByteArray &line)
{
    switch (FirmwareFile::kind(line)) {
    case FirmwareFile::EndLine:
        return loader.loaderFinish() ? Ok : DisconnectFailed;
    case FirmwareFile::AddressLine:
        return loader.loaderSetAddress(FirmwareFile::addressText(line)) ? Ok : NewSectionFailed;
    case FirmwareFile::DataLine:
        return loader.loaderWriteData(line) ? Ok : WriteDataFailed;
    }
    return WriteDataFailed;
}

// The new firmware starts after a reset; whether the reset frame got out doesn't matter, the
// window checks the device afterwards.
void FirmwareUpdate::restartDevice()
{
    ProtocolTiming::pause(ProtocolTiming::restartPauseMs);
    loader.loaderReset();
    for (int k = 0; k < ProtocolTiming::restartTicks; ++k) {
        ProtocolTiming::tickWait();
        progress(linesPercent + 1 + k);
    }
}
