#include "PortJob.h"

#include "JobResult.h"
#include "JobResultText.h"
#include "ModeProbe.h"
#include "PortNameMap.h"
#include "ScanPass.h"
#include "UpdateThread.h"

#include <QFileInfo>
#include <QThread>

namespace {
constexpr double MsPerSecond = 1000.0;
const QString OkText = QStringLiteral("ok");
} // namespace

PortJob::PortJob(const QString &port, const JobOrder &order)
    : order(order), worker(std::make_unique<UpdateThread>())
{
    record.port = port;
    record.devicePath = PortNameMap::instance().devicePath(port);
    record.kind = order.update ? (order.calibrate ? JobKind::UpdateThenCalibrate : JobKind::Update) : JobKind::Calibrate;
    if (order.update) {
        record.firmwareFile = QFileInfo(order.firmwareFile).fileName();
        record.firmwareSha256 = JobRecord::fileSha256(order.firmwareFile);
    }
    if (order.calibrate)
        record.voltage = order.volts;

    worker->setJob(port, order.firmwareFile, order.calibrate, order.update, order.volts);
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
    if (helper)
        helper->wait();
}

void PortJob::start()
{
    clock.start();
    offThread([this] { scanned = ScanPass::device(record.port).value_or(TDevices()); },
              &PortJob::beginRun);
}

void PortJob::stop()
{
    if (ended || stopping)
        return;
    stopping = true;
    // A job that is scanning or checking learns of the stop when that is over.
    if (!helper)
        worker->requestStop();
}

void PortJob::offThread(std::function<void()> work, void (PortJob::*next)())
{
    helper = QThread::create(std::move(work));
    connect(helper, &QThread::finished, this, [this, next] {
        helper->wait();
        delete helper;
        helper = nullptr;
        (this->*next)();
    });
    helper->start();
}

void PortJob::beginRun()
{
    record.serialNumber = scanned.serialNumber;
    record.description = scanned.description;
    record.firmwareBefore = scanned.firmwareVersion;
    if (stopping) {
        end(JobResult::Interrupted);
        return;
    }
    record.attempts = 1;
    worker->start();
}

void PortJob::workerFinished(int updateResult, int calibrationResult)
{
    if (stopping) {
        end(JobResult::Interrupted);
        return;
    }
    if (JobResult::isFailure(updateResult)) {
        end(JobResult::Code(updateResult));
        return;
    }
    workerResult = JobResult::Code(calibrationResult);
    if (order.update || !JobResult::isFailure(calibrationResult))
        afterRun(order.update);
    else
        end(workerResult);
}

void PortJob::afterRun(bool checkFirmware)
{
    firmwareState.reset();
    scanned = TDevices();
    offThread(
        [this, checkFirmware] {
            if (checkFirmware)
                firmwareState = ModeProbe::checkPort(record.port);
            if (!checkFirmware || firmwareState == ModeProbe::FirmwareRuns)
                scanned = ScanPass::device(record.port).value_or(TDevices());
        },
        &PortJob::settle);
}

void PortJob::settle()
{
    if (!firmwareState || firmwareState == ModeProbe::FirmwareRuns) {
        record.firmwareAfter = scanned.firmwareVersion;
        end(workerResult);
    } else if (firmwareState != ModeProbe::NoFirmware) {
        end(JobResult::DeviceLost);
    } else if (stopping) {
        end(JobResult::Interrupted);
    } else if (record.attempts > order.repeats) {
        end(JobResult::FirmwareNotTaken);
    } else {
        ++record.attempts;
        emit repeating(record.port);
        worker->restart();
    }
}

void PortJob::end(JobResult::Code resultCode)
{
    ended = true;
    record.time = QDateTime::currentDateTime();
    record.resultCode = resultCode;
    record.resultText =
        JobResult::isFailure(resultCode) ? JobResultText::message(resultCode) : OkText;
    record.seconds = clock.elapsed() / MsPerSecond;
    emit done(this);
}
