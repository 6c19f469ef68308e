#include "ResultOutput.h"

#include "JobResult.h"
#include "JobResultText.h"
#include "PlainReason.h"
#include "PortNameMap.h"
#include "PrintableText.h"
#include "RefusalText.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>

namespace {

const char *const HeaderFields[] = {
    QT_TRANSLATE_NOOP("ResultOutput", "PORT"),     QT_TRANSLATE_NOOP("ResultOutput", "DEVICE PATH"),
    QT_TRANSLATE_NOOP("ResultOutput", "SERIAL"),   QT_TRANSLATE_NOOP("ResultOutput", "DESCRIPTION"),
    QT_TRANSLATE_NOOP("ResultOutput", "FIRMWARE"), QT_TRANSLATE_NOOP("ResultOutput", "STATUS")};

QByteArray json(const QJsonObject &object)
{
    QJsonObject document = object;
    document.insert(QStringLiteral("format"), ResultOutput::JsonFormat);
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

// A device's texts, a process name: one line, and no command for the terminal that shows it.
QByteArray line(const QString &text)
{
    return PrintableText::escaped(text).toUtf8() + '\n';
}

// Each field escaped on its own: a tab in one must not split it.
QByteArray tabbedLine(QStringList fields)
{
    for (QString &field : fields)
        field = PrintableText::escaped(field);
    return fields.join(QLatin1Char('\t')).toUtf8() + '\n';
}

// Null for what is not known, so that a script need not tell "" from a value.
QJsonValue text(const QString &value)
{
    return value.isEmpty() ? QJsonValue() : QJsonValue(value);
}

// The job log keeps serial numbers as decimal text; scripts compare them as numbers.
QJsonValue serial(const QString &decimal)
{
    bool ok = false;
    const qint64 number = decimal.toLongLong(&ok);
    return ok ? QJsonValue(number) : QJsonValue();
}

QString refusalCode(PortError::Kind kind)
{
    switch (kind) {
    case PortError::None:
    case PortError::Io:
        break;
    case PortError::NotFound:
        return QStringLiteral("not_found");
    case PortError::Permission:
        return QStringLiteral("permission");
    case PortError::Busy:
        return QStringLiteral("busy");
    case PortError::NotATerminal:
        return QStringLiteral("not_a_terminal");
    case PortError::Timeout:
        return QStringLiteral("timeout");
    case PortError::HostNotFound:
        return QStringLiteral("host_not_found");
    case PortError::Unreachable:
        return QStringLiteral("unreachable");
    case PortError::NoLineControl:
        return QStringLiteral("no_line_control");
    }
    return QStringLiteral("io");
}

// What a job was asked to do, where.
QJsonObject orderFields(const JobRecord &job)
{
    return {
        {QStringLiteral("port"), job.port},
        {QStringLiteral("device_path"), job.devicePath},
        {QStringLiteral("job"), JobRecord::jobName(job.kind)},
        {QStringLiteral("firmware_file"), text(job.firmwareFile)},
        {QStringLiteral("voltage"), job.voltage ? QJsonValue(*job.voltage) : QJsonValue()},
    };
}

QString resultCode(JobResult::Code code)
{
    if (code == JobResult::Interrupted)
        return QStringLiteral("interrupted");
    return JobResult::isFailure(code) ? QStringLiteral("failed") : QStringLiteral("ok");
}

} // namespace

QByteArray ResultOutput::deviceLines(const QList<TDevices> &devices)
{
    QStringList header;
    for (const char *field : HeaderFields)
        header << QCoreApplication::translate("ResultOutput", field);
    QByteArray out = tabbedLine(header);
    for (const TDevices &d : devices)
        out += tabbedLine({d.location, PortNameMap::instance().devicePath(d.location),
                           d.serialNumber, d.description, d.firmwareVersion, d.status});
    return out;
}

QByteArray ResultOutput::deviceJson(const QList<TDevices> &devices,
                                    const QList<PortRefusal> &refused)
{
    QJsonArray array;
    for (const TDevices &d : devices) {
        array.append(QJsonObject {
            {QStringLiteral("port"), d.location},
            {QStringLiteral("device_path"), PortNameMap::instance().devicePath(d.location)},
            {QStringLiteral("serial"), serial(d.fields.serialText())},
            {QStringLiteral("description"), text(d.fields.name.value_or(QString()))},
            {QStringLiteral("firmware"), text(d.fields.firmwareText())},
            {QStringLiteral("status"), d.fields.statusCode()},
        });
    }
    for (const PortRefusal &r : refused) {
        array.append(QJsonObject {
            {QStringLiteral("port"), r.portName},
            {QStringLiteral("device_path"), r.devicePath},
            {QStringLiteral("serial"), QJsonValue()},
            {QStringLiteral("description"), QJsonValue()},
            {QStringLiteral("firmware"), QJsonValue()},
            {QStringLiteral("status"), QStringLiteral("refused")},
            {QStringLiteral("refusal"), refusalCode(r.error.kind)},
        });
    }
    return json({{QStringLiteral("devices"), array}});
}

QByteArray ResultOutput::jobLines(const QList<JobRecord> &jobs)
{
    QByteArray out;
    for (const JobRecord &job : jobs) {
        // An empty chip tells its serial number only once it has firmware.
        const QString serialText = job.serialNumber.isEmpty() ? job.serialAfter : job.serialNumber;
        QString text =
            QCoreApplication::translate("ResultOutput", "%1 serial %2: ")
                .arg(job.port,
                     serialText.isEmpty() ? QCoreApplication::translate("ResultOutput", "unknown")
                                          : serialText);
        if (job.resultCode == JobResult::Interrupted)
            text += QCoreApplication::translate("ResultOutput", "interrupted");
        else if (JobResult::isFailure(job.resultCode))
            text += QCoreApplication::translate("ResultOutput", "failed: %1. %2")
                        .arg(JobResultText::message(job.resultCode),
                             PlainReason::of(job.resultCode, job.fileDefect));
        else
            text += QCoreApplication::translate("ResultOutput", "ok %1")
                        .arg(job.firmwareAfter)
                        .trimmed();
        out += line(text);
    }
    return out;
}

QByteArray ResultOutput::jobJson(const QList<JobRecord> &jobs)
{
    QJsonArray array;
    for (const JobRecord &job : jobs) {
        QJsonObject object = orderFields(job);
        object.insert(QStringLiteral("serial"), serial(job.serialNumber));
        object.insert(QStringLiteral("description"), text(job.description));
        object.insert(QStringLiteral("firmware"), text(job.firmwareBefore));
        object.insert(QStringLiteral("serial_after"), serial(job.serialAfter));
        object.insert(QStringLiteral("firmware_after"), text(job.firmwareAfter));
        object.insert(QStringLiteral("attempts"), job.attempts);
        object.insert(QStringLiteral("result"), resultCode(job.resultCode));
        object.insert(QStringLiteral("result_code"), job.resultCode);
        object.insert(QStringLiteral("result_text"), job.resultText);
        object.insert(QStringLiteral("seconds"), job.seconds);
        array.append(object);
    }
    return json({{QStringLiteral("jobs"), array}});
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
    return json({
        {QStringLiteral("exit_code"), exitCode},
        {QStringLiteral("errors"), QJsonArray::fromStringList(messages)},
    });
}

int ResultOutput::refuse(bool json, int exitCode, const QStringList &problems)
{
    const QByteArray why = messageLines(problems);
    std::fwrite(why.constData(), 1, size_t(why.size()), stderr);
    if (json) {
        const QByteArray out = errorJson(exitCode, problems);
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    }
    return exitCode;
}

QByteArray ResultOutput::planLines(const QList<JobRecord> &jobs)
{
    QByteArray out;
    for (const JobRecord &job : jobs)
        out += line(QCoreApplication::translate("ResultOutput", "%1 %2: ready for %3 (dry run)")
                        .arg(job.port, job.devicePath, JobRecord::jobName(job.kind)));
    return out;
}

QByteArray ResultOutput::planJson(const QList<JobRecord> &jobs)
{
    QJsonArray array;
    for (const JobRecord &job : jobs) {
        QJsonObject object = orderFields(job);
        object.insert(QStringLiteral("result"), QStringLiteral("dry_run"));
        array.append(object);
    }
    return json({{QStringLiteral("jobs"), array}});
}
