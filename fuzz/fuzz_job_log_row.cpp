// A job log row from texts that came from outside (a device's description, a firmware file's
// name, ...): it must stay one line of as many fields as the header has, each text reading back
// as written but for its escapes, none of them a formula to a spreadsheet.
//
// Input: the texts of the record, each after a zero byte; the last byte, as a signed number,
// is the result code.
#include "FuzzInput.h"
#include "JobLog.h"

namespace {

constexpr qsizetype FieldCount = 18;
const QByteArray FormulaStarts = QByteArrayLiteral("=+-@\t\r");
// Voltage, attempts, result code, seconds: the program's own numbers, negative ones too.
const QList<int> NumberFields = {12, 13, 14, 16};

// The fields of one CSV line (RFC 4180), false when it is no well-formed line.
bool splitLine(const QByteArray &line, QByteArrayList *fields)
{
    QByteArray field;
    bool quoted = false;
    bool inField = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line.at(i);
        if (quoted) {
            if (c != '"')
                field += c;
            else if (i + 1 < line.size() && line.at(i + 1) == '"')
                field += line.at(++i);
            else
                quoted = false;
        } else if (c == '"' && !inField) {
            quoted = inField = true;
        } else if (c == ',') {
            fields->append(field);
            field.clear();
            inField = false;
        } else if (c == '"' || c == '\r' || c == '\n') {
            return false;
        } else {
            field += c;
            inField = true;
        }
    }
    fields->append(field);
    return !quoted;
}

// The text a field stands for: the apostrophe that keeps a formula text taken off, the escapes
// of control characters undone.
QString readBack(const QByteArray &field, bool formula)
{
    const QString escaped = QString::fromUtf8(formula ? field.mid(1) : field);
    QString text;
    for (qsizetype i = 0; i < escaped.size(); ++i) {
        const qsizetype digits = escaped.mid(i, 2) == QLatin1String("\\x") ? 2
            : escaped.mid(i, 2) == QLatin1String("\\u")                    ? 4
                                                                           : 0;
        if (digits == 0) {
            text += escaped.at(i);
            continue;
        }
        text += QChar(escaped.mid(i + 2, digits).toUShort(nullptr, 16));
        i += 1 + digits;
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList parts = FuzzInput(data, size).remaining().split('\0');
    const auto text = [&parts](int index) { return QString::fromUtf8(parts.value(index)); };
    JobRecord record;
    record.time = QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC);
    record.host = text(0);
    record.port = text(1);
    record.devicePath = text(2);
    record.serialNumber = text(3);
    record.description = text(4);
    record.firmwareBefore = text(5);
    record.firmwareFile = text(6);
    record.resultText = text(7);
    record.serialAfter = text(8);
    // Any code a stored log may hold, known or not.
    record.resultCode = JobResult::Code(size > 0 ? qint8(data[size - 1]) : 0);

    const QByteArray row = JobLog::row(record);
    requireThat(row.endsWith("\r\n"), "a row ends its line");
    QByteArrayList fields;
    requireThat(splitLine(row.chopped(2), &fields), "a row is one well-formed line");
    requireThat(fields.size() == FieldCount, "a row has a field for every column");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QByteArray &field = fields.at(i);
        requireThat(NumberFields.contains(int(i)) || field.isEmpty()
                        || !FormulaStarts.contains(field.front()),
                    "no text is a formula");
    }
    requireThat(fields.at(14) == QByteArray::number(record.resultCode),
                "the result code stays a number");
    // A backslash of the text itself reads as the start of an escape.
    const QString description = text(4);
    if (!description.contains(QLatin1Char('\\'))) {
        const bool formula =
            !description.isEmpty() && FormulaStarts.contains(parts.value(4).front());
        requireThat(readBack(fields.at(7), formula) == description,
                    "a text reads back as written but for its escapes");
    }
    return 0;
}
