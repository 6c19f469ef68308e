#include "SettingsGroupWriter.h"

#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryDir>

#include <utility>

namespace {

QByteArray headerOf(const QString &group)
{
    return '[' + group.toUtf8() + ']';
}

bool isHeader(const QByteArray &line)
{
    const QByteArray trimmed = line.trimmed();
    return trimmed.startsWith('[') && trimmed.endsWith(']');
}

bool isComment(const QByteArray &trimmed)
{
    return trimmed.startsWith(';') || trimmed.startsWith('#');
}

QByteArray keyOf(const QByteArray &line)
{
    if (isComment(line.trimmed()))
        return QByteArray();
    const qsizetype equals = line.indexOf('=');
    return equals < 0 ? QByteArray() : line.left(equals).trimmed();
}

// Lines with their endings, so that joining them gives the text back byte for byte.
QList<QByteArray> splitLines(const QByteArray &text)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        end = end < 0 ? text.size() : end + 1;
        lines.append(text.mid(start, end - start));
        start = end;
    }
    return lines;
}

QByteArray ending(const QByteArray &line)
{
    return line.endsWith("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
}

// Notepad puts one in front of the files it saves; QSettings reads past it, and so do we.
const QByteArray ByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

// The file into which QSettings encodes the group's values.
const QString GroupFile = QStringLiteral("group.ini");

bool writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Every key and value that QSettings reads from the file.
QVariantMap valuesIn(const QString &path)
{
    QSettings settings(path, QSettings::IniFormat);
    QVariantMap values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

QByteArray withoutByteOrderMark(const QByteArray &text)
{
    return text.startsWith(ByteOrderMark) ? text.mid(ByteOrderMark.size()) : text;
}

} // namespace

SettingsGroupWriter::SettingsGroupWriter(QString path, QString group)
    : path(std::move(path)), group(std::move(group))
{ }

void SettingsGroupWriter::setValue(const QString &key, const QVariant &value)
{
    values.append({key, value});
}

bool SettingsGroupWriter::commit(QString *error) const
{
    QFile existing(path);
    QByteArray original;
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly)) {
            *error = existing.errorString();
            return false;
        }
        original = existing.readAll();
    }
    if (!looksLikeIni(original)) {
        *error = QStringLiteral("%1 is not an INI file; left as it is").arg(path);
        return false;
    }
    QTemporaryDir scratch;
    const QList<QByteArray> lines = encodedLines(scratch, error);
    if (lines.isEmpty())
        return false;
    const QByteArray body = withoutByteOrderMark(original);
    const QByteArray mark = original.left(original.size() - body.size());
    const QByteArray text = mark + merged(body, group, lines);
    if (!readsAsWritten(scratch, original, text)) {
        *error = QStringLiteral("%1 has a line that runs on into the next (an open quote or a "
                                "closing backslash); left as it is")
                     .arg(path);
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

// QSettings writes the group into a file of its own; its lines are taken as they stand.
QList<QByteArray> SettingsGroupWriter::encodedLines(const QTemporaryDir &scratch,
                                                    QString *error) const
{
    const QString file = scratch.filePath(GroupFile);
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.beginGroup(group);
        for (const auto &[key, value] : values)
            settings.setValue(key, value);
        settings.endGroup();
        settings.sync();
    }
    QFile written(file);
    if (!scratch.isValid() || !written.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("no room to encode the settings: %1").arg(written.errorString());
        return {};
    }
    QList<QByteArray> lines = splitLines(written.readAll());
    lines.removeIf([](const QByteArray &line) { return keyOf(line).isEmpty(); });
    return lines;
}

// QSettings joins a line to the next one after an open quote or a closing backslash, which the
// line-by-line merge can't see: the group would be lost, or another key's value would change.
// The merged text must read as the original with the group's values put in.
bool SettingsGroupWriter::readsAsWritten(const QTemporaryDir &scratch, const QByteArray &original,
                                         const QByteArray &text)
{
    const QString before = scratch.filePath(QStringLiteral("original.ini"));
    const QString after = scratch.filePath(QStringLiteral("merged.ini"));
    if (!writeFile(before, original) || !writeFile(after, text))
        return false;
    QVariantMap expected = valuesIn(before);
    expected.insert(valuesIn(scratch.filePath(GroupFile)));
    return valuesIn(after) == expected;
}

QByteArray SettingsGroupWriter::merged(const QByteArray &original, const QString &group,
                                       const QList<QByteArray> &groupLines)
{
    QList<QByteArray> lines = splitLines(original);
    const QByteArray header = headerOf(group);
    qsizetype begin = 0;
    while (begin < lines.size() && lines.at(begin).trimmed() != header)
        ++begin;
    if (begin == lines.size()) {
        QByteArray text = original;
        if (!text.isEmpty() && !text.endsWith('\n'))
            text += '\n';
        return text + header + '\n' + groupLines.join();
    }
    qsizetype end = begin + 1;
    while (end < lines.size() && !isHeader(lines.at(end)))
        ++end;
    // New keys go after the group's last key: comments and blank lines at its end belong to
    // what follows.
    qsizetype insertAt = begin + 1;
    for (qsizetype i = begin + 1; i < end; ++i) {
        if (!keyOf(lines.at(i)).isEmpty())
            insertAt = i + 1;
    }
    if (!lines.at(insertAt - 1).endsWith('\n'))
        lines[insertAt - 1] += '\n';

    for (const QByteArray &line : groupLines) {
        bool replaced = false;
        for (qsizetype i = begin + 1; i < end; ++i) {
            if (keyOf(lines.at(i)) == keyOf(line)) {
                lines[i] = line.trimmed() + ending(lines.at(i));
                replaced = true;
            }
        }
        if (!replaced) {
            lines.insert(insertAt++, line);
            ++end;
        }
    }
    return lines.join();
}

bool SettingsGroupWriter::looksLikeIni(const QByteArray &text)
{
    if (text.contains('\0'))
        return false;
    for (const QByteArray &line : splitLines(withoutByteOrderMark(text))) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty() && !isComment(trimmed) && !isHeader(trimmed)
            && !trimmed.contains('='))
            return false;
    }
    return true;
}
