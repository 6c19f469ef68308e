#include "JobOutcome.h"

#include "JobResultText.h"
#include "PlainReason.h"

#include <QLocale>

namespace {

const QChar Tick(0x2713);
const QChar Cross(0x2717);

QString shortTime(const QDateTime &time)
{
    return QLocale().toString(time.time(), QLocale::ShortFormat);
}

} // namespace

QString JobOutcome::jobName(JobKind kind)
{
    switch (kind) {
    case JobKind::Update:
        return tr("Update");
    case JobKind::Calibrate:
        return tr("Calibration");
    case JobKind::UpdateThenCalibrate:
        break;
    }
    return tr("Update and calibration");
}

QString JobOutcome::phase(const JobProgress &progress)
{
    const QString name =
        progress.phase == JobProgress::Phase::Update ? tr("Update") : tr("Calibration");
    return tr("%1: %2%").arg(name).arg(progress.percent);
}

bool JobOutcome::succeeded(const JobRecord &record)
{
    return !JobResult::isFailure(record.resultCode);
}

QString JobOutcome::result(const JobRecord &record)
{
    const JobResult::Code code = record.resultCode;
    if (!JobResult::isFailure(code)) {
        switch (record.kind) {
        case JobKind::Update:
            return tr("Updated");
        case JobKind::Calibrate:
            return tr("Calibrated");
        case JobKind::UpdateThenCalibrate:
            break;
        }
        return tr("Updated and calibrated");
    }
    const QString message = JobResultText::message(code);
    if (code == JobResult::Interrupted)
        return message;
    return (JobResult::isCalibrationFailure(code) ? tr("Calibration failed: %1")
                                                  : tr("Update failed: %1"))
        .arg(message);
}

QString JobOutcome::reason(const JobRecord &record)
{
    return PlainReason::of(record.resultCode, record.fileDefect);
}

QString JobOutcome::mark(const JobRecord &record)
{
    if (!succeeded(record))
        return Cross + QLatin1Char(' ') + reason(record);
    const QString time = shortTime(record.time);
    const QString &firmware = record.firmwareAfter;
    QString text;
    switch (record.kind) {
    case JobKind::Update:
        text = firmware.isEmpty() ? tr("updated at %1").arg(time)
                                  : tr("updated to %1 at %2").arg(firmware, time);
        break;
    case JobKind::UpdateThenCalibrate:
        text = firmware.isEmpty() ? tr("updated and calibrated at %1").arg(time)
                                  : tr("updated to %1 and calibrated at %2").arg(firmware, time);
        break;
    case JobKind::Calibrate:
        text = tr("calibrated at %1").arg(time);
        break;
    }
    return Tick + QLatin1Char(' ') + text;
}
