#include "JobTracker.h"

#include "JobResult.h"
#include "JobResultText.h"
#include "PortNameMap.h"

#include <QDebug>
#include <QFileInfo>
#include <QSysInfo>

#include <utility>

namespace {

constexpr double MsPerSecond = 1000.0;
const QString OkText = QStringLiteral("ok");
const QString Program = QStringLiteral("zelkor");

QString summary(const JobRecord &record)
{
    return QStringLiteral("%1 %2 (%3) serial %4, firmware %5")
               .arg(JobRecord::jobName(record.kind), record.port, record.devicePath, record.serialNumber,
                    record.firmwareBefore)
        + (record.firmwareFile.isEmpty() ? QString()
                                         : QStringLiteral(", file %1").arg(record.firmwareFile));
}

} // namespace

JobTracker::JobTracker(JobLog log) : log(std::move(log)) { }

void JobTracker::started(const void *job, const Start &start)
{
    Running &entry = running[job];
    JobRecord &record = entry.record;
    record.host = QSysInfo::machineHostName();
    record.program = Program;
    record.port = start.port;
    record.devicePath = PortNameMap::instance().devicePath(start.port);
    record.kind = start.update ? (start.calibrate ? JobKind::UpdateThenCalibrate : JobKind::Update) : JobKind::Calibrate;
    record.serialNumber = start.rowTexts.value(0);
    record.description = start.rowTexts.value(1);
    record.firmwareBefore = start.rowTexts.value(2);
    if (start.update) {
        record.firmwareFile = QFileInfo(start.firmwareFile).fileName();
        record.firmwareSha256 = JobRecord::fileSha256(start.firmwareFile);
    }
    if (start.calibrate)
        record.voltage = start.volts;
    record.attempts = 1;
    entry.clock.start();
    qInfo().noquote() << "Job started:" << summary(record);
}

void JobTracker::repeated(const void *job)
{
    ++running[job].record.attempts;
}

void JobTracker::finished(const void *job, JobResult::Code resultCode, QString *error)
{
    Running entry = running.take(job);
    JobRecord &record = entry.record;
    record.time = QDateTime::currentDateTime();
    record.resultCode = resultCode;
    record.resultText =
        JobResult::isFailure(resultCode) ? JobResultText::message(resultCode) : OkText;
    record.seconds = entry.clock.elapsed() / MsPerSecond;
    const bool updated = !record.firmwareFile.isEmpty() && !JobResult::isFailure(resultCode);
    if (record.firmwareFile.isEmpty())
        record.firmwareAfter = record.firmwareBefore;
    if (updated)
        awaitingScan.append(record);
    else
        write(record, error);
}

void JobTracker::scanned(const QList<TDevices> &devices, QString *error)
{
    for (const TDevices &device : devices) {
        for (qsizetype i = awaitingScan.size() - 1; i >= 0; --i) {
            if (awaitingScan.at(i).port != device.location)
                continue;
            JobRecord record = awaitingScan.takeAt(i);
            record.firmwareAfter = device.firmwareVersion;
            write(record, error);
        }
    }
}

void JobTracker::flush(QString *error)
{
    const QList<const void *> jobs = running.keys();
    for (const void *job : jobs)
        finished(job, JobResult::Interrupted, error);
    while (!awaitingScan.isEmpty())
        write(awaitingScan.takeFirst(), error);
}

void JobTracker::write(JobRecord record, QString *error)
{
    qInfo().noquote() << "Job ended:" << summary(record)
                      << QStringLiteral("-> %1: %2").arg(record.firmwareAfter, record.resultText);
    QString reason;
    if (!log.append(record, &reason))
        *error = QStringLiteral("%1 not written: %2").arg(log.path(), reason);
}
