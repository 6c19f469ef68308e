#include "ResultOutput.h"

#include "JobResult.h"
#include "PortNameMap.h"
#include "PrintableText.h"
#include "RefusalText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace {

QByteArray json(const QJsonDocument &document)
{
    return document.toJson(QJsonDocument::Indented);
}

// A device's texts, a process name: one line, and no command for the terminal that shows it.
QByteArray line(const QString &text)
{
    return PrintableText::escaped(text).toUtf8() + '\n';
}

} // namespace

QByteArray ResultOutput::deviceLines(const QList<TDevices> &devices)
{
    QByteArray out;
    for (const TDevices &d : devices) {
        QStringList fields {d.location,        PortNameMap::instance().devicePath(d.location),
                            d.serialNumber,    d.description,
                            d.firmwareVersion, d.status};
        // Each field escaped on its own: a tab in one must not split it.
        for (QString &field : fields)
            field = PrintableText::escaped(field);
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
    return json(QJsonDocument(array));
}

QByteArray ResultOutput::jobLines(const QList<JobRecord> &jobs)
{
    QByteArray out;
    for (const JobRecord &job : jobs) {
        QString text = job.port + QLatin1Char(' ');
        if (job.resultCode == JobResult::Interrupted)
            text += QStringLiteral("interrupted");
        else if (JobResult::isFailure(job.resultCode))
            text += QStringLiteral("failed: ") + job.resultText;
        else
            text += (QStringLiteral("ok ") + job.firmwareAfter).trimmed();
        out += line(text);
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
    return json(QJsonDocument(array));
}

QString ResultOutput::refusalText(const PortRefusal &refusal)
{
    return QStringLiteral("%1: %2").arg(refusal.portName, RefusalText::advice(refusal));
}

QByteArray ResultOutput::messageLines(const QStringList &messages)
{
    QByteArray out;
    for (const QString &message : messages)
        out += line(QStringLiteral("zelkor-cli: ") + message);
    return out;
}

QByteArray ResultOutput::refusalLines(const QList<PortRefusal> &refused)
{
    QStringList messages;
    for (const PortRefusal &refusal : refused)
        messages << refusalText(refusal);
    return messageLines(messages);
}

QByteArray ResultOutput::errorJson(int exitCode, const QStringList &messages)
{
    return json(QJsonDocument(QJsonObject {
        {QStringLiteral("exit_code"), exitCode},
        {QStringLiteral("errors"), QJsonArray::fromStringList(messages)},
    }));
}
