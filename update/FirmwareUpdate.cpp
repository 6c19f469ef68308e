#include "FirmwareUpdate.h"

#include "FirmwareFile.h"
#include "ProtocolTiming.h"

FirmwareUpdate::FirmwareUpdate(ComPort &link, const QList<QByteArray> &lines,
                               bool &loaderRepliesChecked, Progress progress)
    : loader(link, &loaderRepliesChecked), lines(lines), progress(std::move(progress))
{ }

JobResult::Code FirmwareUpdate::run()
{
    if (!retry(resetAttempts, &LoaderCommands::loaderReset))
        return JobResult::LoaderResetFailed;
    if (!retry(connectAttempts, &LoaderCommands::loaderConnect))
        return JobResult::LoaderConnectFailed;

    const qsizetype n = lines.size();
    for (qsizetype j = 0; j < n; ++j) {
        const JobResult::Code result = sendLine(lines.at(j));
        if (result != JobResult::Ok)
            return result;
        progress(int((j + 1) * linesPercent / n));
    }
    restartDevice();
    return JobResult::Ok;
}

bool FirmwareUpdate::retry(int attempts, bool (LoaderCommands::*command)())
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if ((loader.*command)())
            return true;
    }
    return false;
}

JobResult::Code FirmwareUpdate::sendLine(const QByteArray &line)
{
    switch (FirmwareFile::kind(line)) {
    case FirmwareFile::EndLine:
        return loader.loaderFinish() ? JobResult::Ok : JobResult::LoaderDisconnectFailed;
    case FirmwareFile::AddressLine:
        return loader.loaderSetAddress(FirmwareFile::addressText(line))
            ? JobResult::Ok
            : JobResult::LoaderNewSectionFailed;
    case FirmwareFile::DataLine:
        return loader.loaderWriteData(line) ? JobResult::Ok : JobResult::LoaderWriteDataFailed;
    }
    return JobResult::LoaderWriteDataFailed;
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
