#include "DeviceJob.h"

#include "DeviceThread.h"
#include "JobLogging.h"
#include "JobResultText.h"
#include "PortNameMap.h"
#include "ScanPass.h"
#include "UpdateThread.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

namespace {

constexpr double MsPerSecond = 1000.0;
// How often the job asks whether the scan has let go of its port.
constexpr unsigned long PortPollMs = 50;
const QString OkText = QStringLiteral("ok");

// The repeat's trace lines are the window's; their translations live in its context.
constexpr char Context[] = "Zelkor";
const char *const RepeatNeeded = QT_TRANSLATE_NOOP("Zelkor", "Нужна повторная загрузка (поток) ");
const char *const RepeatStarted = QT_TRANSLATE_NOOP("Zelkor", "Повторный старт потока ");

} // namespace

DeviceJob::DeviceJob(const QString &port, const JobOrder &order, DeviceThread *scanner)
    : order(order), scanner(scanner), worker(std::make_unique<UpdateThread>())
{
    rec.port = port;
    rec.devicePath = PortNameMap::instance().devicePath(port);
    rec.kind = order.kind;
    if (jobUpdates(order.kind))
        rec.firmwareFile = QFileInfo(order.firmwareFile).fileName();
    if (jobCalibrates(order.kind))
        rec.voltage = order.volts;

    worker->setJob(port, order.firmwareFile, jobCalibrates(order.kind), jobUpdates(order.kind),
                   order.volts);
    connect(worker.get(), &UpdateThread::progress, this,
            [this](const QString &, int percents) { workerProgress(percents); });
    connect(worker.get(), &UpdateThread::finished, this,
            [this](UpdateThread *, const QString &, int updateResult, int calibrationResult) {
                workerFinished(updateResult, calibrationResult);
            });
}

// The helper's work writes into members declared after it.
DeviceJob::~DeviceJob()
{
    helper.stop();
}

void DeviceJob::start(const std::optional<TDevices> &lastSeen)
{
    clock.start();
    helper.run([this, lastSeen] { prepare(lastSeen); }, [this] { beginRun(); });
}

// In the helper thread.
void DeviceJob::prepare(const std::optional<TDevices> &lastSeen)
{
    if (scanner) {
        // Closes the scan's link if it holds the port, after the exchange in progress; a link
        // refuses to open an excluded port, so the wait normally ends at once.
        scanner->excludePort(rec.port);
        while (scanner->usesPort(rec.port) && !QThread::currentThread()->isInterruptionRequested())
            QThread::msleep(PortPollMs);
        seenBefore = lastSeen;
    } else {
        seenBefore = ScanPass::device(rec.port);
    }
    if (jobUpdates(order.kind))
        firmwareSha256 = JobRecord::fileSha256(order.firmwareFile);
}

void DeviceJob::takeIdentity()
{
    if (seenBefore) {
        rec.serialNumber = seenBefore->fields.serialText();
        rec.description = seenBefore->fields.name.value_or(QString());
        rec.firmwareBefore = seenBefore->fields.firmwareText();
    }
    rec.firmwareSha256 = firmwareSha256;
}

void DeviceJob::beginRun()
{
    takeIdentity();
    rec.attempts = 1;
    emit started(this);
    worker->start();
}

void DeviceJob::workerProgress(int percents)
{
    if (over)
        return;
    if (JobResult::isFailure(percents)) {
        // The worker found the defect before it reported the failure.
        rec.fileDefect = worker->fileDefect();
        emit failed(rec.port, JobResult::Code(percents), rec.fileDefect);
    } else if (const std::optional<JobProgress> decoded = JobProgress::decode(percents)) {
        emit progress(rec.port, *decoded);
    }
}

void DeviceJob::workerFinished(int updateResult, int calibrationResult)
{
    if (over)
        return;
    if (JobResult::isFailure(updateResult)) {
        confirm(JobResult::Code(updateResult));
        return;
    }
    workerResult = JobResult::Code(calibrationResult);
    if (jobUpdates(order.kind))
        check();
    else
        confirm(workerResult);
}

// The device is asked which program runs now, on a link of the job's own.
void DeviceJob::check()
{
    helper.run(
        [this] {
            firmwareState = ModeProbe::FirmwareState(ModeProbe::checkPort(rec.port));
            if (!scanner && firmwareState == ModeProbe::FirmwareRuns)
                seenAfter = ScanPass::device(rec.port);
        },
        [this] { settle(); });
}

void DeviceJob::settle()
{
    switch (firmwareState) {
    case ModeProbe::FirmwareRuns:
        end(workerResult);
        break;
    case ModeProbe::NoFirmware:
        if (rec.attempts > order.repeats)
            end(JobResult::FirmwareNotTaken);
        else
            repeat();
        break;
    default:
        end(JobResult::DeviceLost);
        break;
    }
}

void DeviceJob::repeat()
{
    qCDebug(lcJob).noquote().nospace() << QCoreApplication::translate(Context, RepeatNeeded)
                                       << worker.get();
    ++rec.attempts;
    emit repeating(rec.port);
    qCDebug(lcJob).noquote().nospace() << QCoreApplication::translate(Context, RepeatStarted)
                                       << worker.get();
    // The same job once more, on the port that stays taken from the scan.
    worker->restart();
}

// Without the window's scan the device is asked what the job left: a calibration's firmware,
// or whether a failed update erased it (then it tells no serial number any more).
void DeviceJob::confirm(JobResult::Code result)
{
    if (scanner || result == JobResult::PortCantOpen) {
        end(result);
        return;
    }
    settled = result;
    helper.run([this] { seenAfter = ScanPass::device(rec.port); }, [this, result] { end(result); });
}

void DeviceJob::abandon()
{
    if (over)
        return;
    helper.stop();
    if (rec.attempts == 0)
        takeIdentity();
    worker->requestStop();
    worker->wait();
    // Stopped while asking what the job left: the job itself has ended as it did.
    end(settled.value_or(JobResult::Interrupted));
}

void DeviceJob::end(JobResult::Code result)
{
    over = true;
    rec.time = QDateTime::currentDateTime();
    rec.resultCode = result;
    rec.resultText = JobResult::isFailure(result) ? JobResultText::logText(result) : OkText;
    rec.seconds = clock.elapsed() / MsPerSecond;
    takeSeenAfter(seenAfter);
    // The window's scan tells what an update left; a calibration leaves it as it was.
    if (scanner && !jobUpdates(order.kind)) {
        rec.firmwareAfter = rec.firmwareBefore;
        rec.serialAfter = rec.serialNumber;
    }
    waitingForScan = scanner && jobUpdates(order.kind) && !JobResult::isFailure(result);
    if (scanner) {
        // The device may run other firmware now: the scan tries every command form again.
        scanner->forgetVariants(rec.port);
        scanner->releasePort(rec.port);
    }
    emit finished(this);
}

void DeviceJob::setSeenAfter(const std::optional<TDevices> &device)
{
    waitingForScan = false;
    takeSeenAfter(device);
}

void DeviceJob::takeSeenAfter(const std::optional<TDevices> &device)
{
    if (!device)
        return;
    rec.firmwareAfter = device->fields.firmwareText();
    rec.serialAfter = device->fields.serialText();
}
