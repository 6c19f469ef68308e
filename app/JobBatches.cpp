#include "JobBatches.h"

QString JobBatches::start(JobKind kind, const QStringList &ports, int notStarted)
{
    Batch batch {kind, ports};
    batch.notStarted = notStarted;
    if (ports.isEmpty())
        return summary(batch);
    batches.append(batch);
    return QString();
}

QString JobBatches::ended(const QString &port, bool succeeded)
{
    for (auto batch = batches.begin(); batch != batches.end(); ++batch) {
        if (!batch->running.removeOne(port))
            continue;
        ++(succeeded ? batch->succeeded : batch->failed);
        if (!batch->running.isEmpty())
            return QString();
        const QString text = summary(*batch);
        batches.erase(batch);
        return text;
    }
    return QString();
}

QString JobBatches::summary(const Batch &batch)
{
    QStringList parts;
    if (batch.succeeded > 0) {
        switch (batch.kind) {
        case JobKind::Update:
            parts << tr("%n updated", nullptr, batch.succeeded);
            break;
        case JobKind::Calibrate:
            parts << tr("%n calibrated", nullptr, batch.succeeded);
            break;
        case JobKind::UpdateThenCalibrate:
            parts << tr("%n updated and calibrated", nullptr, batch.succeeded);
            break;
        }
    }
    if (batch.failed > 0)
        parts << tr("%n failed", nullptr, batch.failed);
    if (batch.notStarted > 0)
        parts << tr("%n not started", nullptr, batch.notStarted);
    return parts.join(QStringLiteral(", "));
}
