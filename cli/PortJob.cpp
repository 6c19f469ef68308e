#include "PortJob.h"

#include "JobResult.h"
#include "JobResultText.h"
#include "ModeProbe.h"
#include "PortNameMap.h"
#include "PortScan.h"
#include "UpdateThread.h"

#include <QFileInfo>
#include <QThread>

namespace {
constexpr double MsPerSecond = 1000.0;
const QString OkText = QStringLiteral("ok");
} // namespace

PortJob::PortJob(const QString &port, const JobSpec &spec, const TDevices &before)
    : spec(spec), worker(std::make_unique<UpdateThread>())
{
    record.port = port;
    record.devicePath = PortNameMap::instance().devicePath(port);
    record.job = JobRecord::jobName(spec.update, spec.calibrate);
    record.serialNumber = before.serialNumber;
    record.description = before.description;
    record.firmwareBefore = before.firmwareVersion;
    if (spec.update) {
        record.firmwareFile = QFileInfo(spec.firmwareFile).fileName();
        record.firmwareSha256 = JobRecord::fileSha256(spec.firmwareFile);
    }
    if (spec.calibrate)
        record.voltage = spec.volts;

    worker->setJob(port, spec.firmwareFile, spec.calibrate, spec.update, spec.volts);
    // A stopped job's pauses end at once and its remaining steps would race to 100%.
    connect(worker.get(), &UpdateThread::progress, this, [this](const QString &port, int percents) {
        if (!stopping)
            emit progress(port, percents);
    });
    connect(worker.get(), &UpdateThread::finished, this,
            [this](UpdateThread *, const QString &, int updateResult, int calibrationResult) {
                workerFinished(updateResult, calibrationResult);
            });
}

PortJob::~PortJob()
{
    if (afterRunThread)
        afterRunThread->wait();
}

void PortJob::start()
{
    clock.start();
    record.attempts = 1;
    worker->start();
}

void PortJob::stop()
{
    if (ended || stopping)
        return;
    stopping = true;
    // A job between its runs learns of the stop when its check is over.
    if (!afterRunThread)
        worker->requestStop();
}

void PortJob::workerFinished(int updateResult, int calibrationResult)
{
    if (stopping) {
        end(JobResult::Interrupted);
        return;
    }
    if (JobResult::isFailure(updateResult)) {
        end(updateResult);
        return;
    }
    workerResult = calibrationResult;
    if (spec.update || !JobResult::isFailure(calibrationResult))
        afterRun(spec.update);
    else
        end(calibrationResult);
}

// Off this thread: the check blocks for its time-outs, the scan for a pass over the port.
void PortJob::afterRun(bool checkFirmware)
{
    firmwareState.reset();
    afterRunThread = QThread::create([this, checkFirmware] {
        if (checkFirmware)
            firmwareState = ModeProbe::checkPort(record.port);
        if (!checkFirmware || firmwareState == ModeProbe::FirmwareRuns)
            after = PortScan::device(record.port);
    });
    connect(afterRunThread, &QThread::finished, this, &PortJob::settle);
    afterRunThread->start();
}

void PortJob::settle()
{
    afterRunThread->wait();
    delete afterRunThread;
    afterRunThread = nullptr;

    if (!firmwareState || firmwareState == ModeProbe::FirmwareRuns) {
        record.firmwareAfter = after.firmwareVersion;
        end(workerResult);
    } else if (firmwareState != ModeProbe::NoFirmware) {
        end(JobResult::DeviceLost);
    } else if (stopping) {
        end(JobResult::Interrupted);
    } else if (record.attempts > spec.repeats) {
        end(JobResult::FirmwareNotTaken);
    } else {
        ++record.attempts;
        emit repeating(record.port, record.attempts);
        worker->restart();
    }
}

void PortJob::end(int resultCode)
{
    ended = true;
    record.time = QDateTime::currentDateTime();
    record.resultCode = resultCode;
    record.resultText = JobResult::isFailure(resultCode) ? JobResultText::message(resultCode)
                                                         : OkText;
    record.seconds = clock.elapsed() / MsPerSecond;
    emit done(this);
}
