#include "ResultOutput.h"

#include "JobResult.h"
#include "PortNameMap.h"
#include "RefusalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace {

QByteArray json(const QJsonArray &array)
{
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace

QByteArray ResultOutput::deviceLines(const QList<TDevices> &devices)
{
    QByteArray out;
    for (const TDevices &d : devices) {
        const QStringList fields {d.location,        PortNameMap::instance().devicePath(d.location),
                                  d.serialNumber,    d.description,
                                  d.firmwareVersion, d.status};
        out += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
    }
    return out;
}

QByteArray ResultOutput::deviceJson(const QList<TDevices> &devices)
{
    QJsonArray array;
    for (const TDevices &d : devices) {
        array.append(QJsonObject {
            {QStringLiteral("location"), d.location},
            {QStringLiteral("device_path"), PortNameMap::instance().devicePath(d.location)},
            {QStringLiteral("serial_number"), d.serialNumber},
            {QStringLiteral("description"), d.description},
            {QStringLiteral("firmware_version"), d.firmwareVersion},
            {QStringLiteral("status"), d.status},
        });
    }
    return json(array);
}

QByteArray ResultOutput::jobLines(const QList<JobRecord> &jobs)
{
    QByteArray out;
    for (const JobRecord &job : jobs) {
        QString line = job.port + QLatin1Char(' ');
        if (job.resultCode == JobResult::Interrupted)
            line += QStringLiteral("interrupted");
        else if (JobResult::isFailure(job.resultCode))
            line += QStringLiteral("failed: ") + job.resultText;
        else
            line += (QStringLiteral("ok ") + job.firmwareAfter).trimmed();
        out += line.toUtf8() + '\n';
    }
    return out;
}

QByteArray ResultOutput::jobJson(const QList<JobRecord> &jobs)
{
    QJsonArray array;
    for (const JobRecord &job : jobs) {
        array.append(QJsonObject {
            {QStringLiteral("port"), job.port},
            {QStringLiteral("device_path"), job.devicePath},
            {QStringLiteral("serial_number"), job.serialNumber},
            {QStringLiteral("firmware_before"), job.firmwareBefore},
            {QStringLiteral("firmware_after"), job.firmwareAfter},
            {QStringLiteral("result_code"), job.resultCode},
            {QStringLiteral("result_text"), job.resultText},
            {QStringLiteral("seconds"), job.seconds},
        });
    }
    return json(array);
}

QByteArray ResultOutput::refusalLines(const QList<PortRefusal> &refused)
{
    QByteArray out;
    for (const PortRefusal &refusal : refused)
        out += QStringLiteral("zelkor-cli: %1: %2\n")
                   .arg(refusal.portName, RefusalText::advice(refusal))
                   .toLocal8Bit();
    return out;
}
