#ifndef JOBRESULT_H
#define JOBRESULT_H

// Every value a job reports through UpdateThread's progress() and finished(). The numbers are
// fixed: stored job logs, the message table and the workers' signals all carry them.
namespace JobResult {

enum Code : int {
    // A procedure that succeeded; also calb_result when no calibration ran.
    Ok = 0,
    // update_result of a job whose update succeeded or was not asked for.
    UpdateSucceeded = 1,

    // Update failures.
    PortCantOpen = -1,
    FirmwareFileCantOpen = -2,
    FirmwareFileCorrupted = -3,
    LoaderResetFailed = -4,
    LoaderConnectFailed = -5,
    LoaderDisconnectFailed = -6,
    LoaderNewSectionFailed = -7,
    LoaderWriteDataFailed = -8,

    // Calibration failures.
    ScalFailed = -200,
    SaveFailed = -201,
    GetiFailed = -202,
    CalibrateFailed = -203,
    RdanFailed = -204,
    CalibrationResetFailed = -205,
    NoExternalPower = -207,
    GfwvFailed = -208,
    // The port refused the time-outs; the port layer now takes any it is given. Old job logs
    // carry the code.
    TimeoutFailed = -209,

    // Outcomes of a whole job that no procedure reports: what the check after an update found,
    // and a stop on request.
    // Every repeat of the update went through, yet the device still asks for firmware.
    FirmwareNotTaken = -90,
    // After the update the device answers neither with firmware nor with its loader.
    DeviceLost = -91,
    Interrupted = -99,
};

constexpr bool isFailure(int code)
{
    return code < 0;
}

// Calibration failures lie at ScalFailed and below, update failures above; a code outside the
// table is placed by the same rule.
constexpr bool isCalibrationFailure(int code)
{
    return code <= ScalFailed;
}

} // namespace JobResult

#endif // JOBRESULT_H
