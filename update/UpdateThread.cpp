#include "UpdateThread.h"

#include "Calibration.h"
#include "ComPort.h"
#include "FirmwareFile.h"
#include "FirmwareUpdate.h"
#include "JobResult.h"
#include "ProtocolTiming.h"

namespace {
// The loader answers slowly while it writes flash; these time-outs are generous on purpose.
constexpr LinkTimeouts jobTimeouts = LinkTimeouts::reads(5000, 50).writes(0, 5000);
} // namespace

UpdateThread::UpdateThread() : QThread(nullptr), link(std::make_unique<ComPort>())
{
    ProtocolTiming::applyTimeouts(*link, jobTimeouts);
}

UpdateThread::~UpdateThread()
{
    // A worker is only destroyed by its owner, never while its own run is under way.
    wait();
}

void UpdateThread::setJob(QString devicename, QString filename, bool calibrate, bool update,
                          double vref)
{
    this->devicename = devicename;
    this->filename = filename;
    doCalibrate = calibrate;
    doUpdate = update;
    this->vref = vref;
    loaderRepliesChecked = false;
}

void UpdateThread::restart()
{
    wait();
    start();
}

void UpdateThread::requestStop()
{
    // Asked first, so that a run that opens the link after the close below sees the request.
    requestInterruption();
    link->close();
}

FirmwareFileDefect UpdateThread::fileDefect() const
{
    const QMutexLocker lock(&defectMutex);
    return firmwareDefect;
}

JobResult::Code UpdateThread::calibrateDevice()
{
    return Calibration(*link, vref, [this](int percents) { reportProgress(percents); }).run();
}

void UpdateThread::run()
{
    // The file is read and checked before the port is touched: a file that is no image ends
    // the job with the device's lines as they were.
    FirmwareFile firmware(filename);
    const JobResult::Code fileResult = doUpdate ? firmware.read() : JobResult::Ok;
    if (fileResult != JobResult::Ok) {
        {
            const QMutexLocker lock(&defectMutex);
            firmwareDefect = firmware.defect();
        }
        endWithUpdateFailure(fileResult);
        return;
    }
    // A job stopped before its port was opened ends as if the port could not be opened: the
    // device has been sent nothing.
    if (!openLink() || isInterruptionRequested()) {
        endWithUpdateFailure(JobResult::PortCantOpen);
        return;
    }
    if (doUpdate) {
        const JobResult::Code result =
            FirmwareUpdate(*link, firmware.lines(), loaderRepliesChecked, [this](int percents) {
                reportProgress(percents);
            }).run();
        if (result != JobResult::Ok) {
            endWithUpdateFailure(result);
            return;
        }
    }
    // A failed calibration has reported its code itself.
    const JobResult::Code calibrationResult = doCalibrate ? calibrateDevice() : JobResult::Ok;
    link->close();
    emit finished(this, devicename, JobResult::UpdateSucceeded, calibrationResult);
}

bool UpdateThread::openLink()
{
    return link->openWhenFree(devicename.toLatin1().constData(), StopBits::Two,
                              [this] { return isInterruptionRequested(); });
}

// The calibration is not run after a failed update.
void UpdateThread::endWithUpdateFailure(JobResult::Code code)
{
    link->close();
    emit progress(devicename, code);
    emit finished(this, devicename, code, JobResult::Ok);
}

void UpdateThread::reportProgress(int percents)
{
    emit progress(devicename, percents);
}
