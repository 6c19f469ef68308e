#ifndef JOBRECORD_H
#define JOBRECORD_H

#include "FirmwareFileDefect.h"
#include "JobKind.h"
#include "JobResult.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>

#include <optional>

// One finished job as the job log keeps it: which device got what, when, and how it ended.
// The device's identity is what a scan saw just before the job, the serial number and firmware
// after it what a scan saw after it; each empty when the scan did not learn it. The values are
// the same under every locale: scripts filter the log by them.
struct JobRecord
{
    QDateTime time;
    QString host;
    QString program;
    QString port;
    QString devicePath;
    JobKind kind = JobKind::Update;
    QString serialNumber;
    QString description;
    QString firmwareBefore;
    QString firmwareAfter;
    QString firmwareFile;
    QString firmwareSha256;
    // Only for a job that calibrates.
    std::optional<double> voltage;
    int attempts = 0;
    JobResult::Code resultCode = JobResult::Ok;
    QString resultText;
    // For a job that failed on its firmware file: what is wrong with it. Not in the job log.
    FirmwareFileDefect fileDefect;
    double seconds = 0.0;
    // An update that failed half-way leaves a chip without firmware, which tells no serial
    // number: the row of the next job on it may then carry it here.
    QString serialAfter;

    // "update", "calibrate" or "update+calibrate".
    static QString jobName(JobKind kind);
    // The lowercase hex SHA-256 of the file's bytes; empty when it can't be read, is no regular
    // file or is larger than a firmware file may be.
    static QString fileSha256(const QString &path);
};

Q_DECLARE_METATYPE(JobRecord)

#endif // JOBRECORD_H
