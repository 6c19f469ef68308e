#include "SettingsGroupWriter.h"

#include "AtomicFile.h"
#include "RegularFile.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
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

// The file's own line end, as its first line has it: a file kept with CRLF stays so.
QByteArray fileEnding(const QByteArray &text)
{
    const qsizetype end = text.indexOf('\n');
    return end < 0 ? QByteArray("\n") : ending(text.left(end + 1));
}

QByteArray withEnding(const QByteArray &line, const QByteArray &end)
{
    return line.trimmed() + end;
}

// Notepad puts one in front of the files it saves; QSettings reads past it, and so do we.
const QByteArray ByteOrderMark = QByteArrayLiteral("\xEF\xBB\xBF");

// The file into which QSettings encodes the group's values.
const QString GroupFile = QStringLiteral("group.ini");

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
    QByteArray original;
    if (!readOriginal(&original, error))
        return false;
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
    return AtomicFile::replace(path, text, error, [&](const QString &written, QString *error) {
        if (readsAsWritten(scratch, path, written))
            return true;
        *error = QStringLiteral("%1 has a line that runs on into the next (an open quote or a "
                                "closing backslash); left as it is")
                     .arg(path);
        return false;
    });
}

// Not through a symbolic link: what it points to (root's files, for root) would end up in a
// file of ours beside it.
bool SettingsGroupWriter::readOriginal(QByteArray *original, QString *error) const
{
    const int fd = RegularFile::openOwnFile(path, O_RDONLY);
    if (fd < 0 && errno == ENOENT)
        return true;
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *error = RegularFile::failure(path, errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    *original = file.readAll();
    if (file.error() == QFileDevice::NoError)
        return true;
    *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    return false;
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
// The file written must read as the original with the group's values put in. The original is
// read under a name of its own: QSettings trusts what it cached under a name while the size
// stays. A copy, since a link on Windows is a shortcut file that QSettings would read as such.
bool SettingsGroupWriter::readsAsWritten(const QTemporaryDir &scratch, const QString &original,
                                         const QString &written)
{
    const QString before = scratch.filePath(QStringLiteral("original.ini"));
    if (QFile::exists(original) && !QFile::copy(original, before))
        return false;
    QVariantMap expected = valuesIn(before);
    expected.insert(valuesIn(scratch.filePath(GroupFile)));
    return valuesIn(written) == expected;
}

QByteArray SettingsGroupWriter::merged(const QByteArray &original, const QString &group,
                                       const QList<QByteArray> &groupLines)
{
    QList<QByteArray> lines = splitLines(original);
    const QByteArray header = headerOf(group);
    const QByteArray end = fileEnding(original);
    qsizetype begin = 0;
    while (begin < lines.size() && lines.at(begin).trimmed() != header)
        ++begin;
    if (begin == lines.size()) {
        QByteArray text = original;
        if (!text.isEmpty() && !text.endsWith('\n'))
            text += end;
        text += header + end;
        for (const QByteArray &line : groupLines)
            text += withEnding(line, end);
        return text;
    }
    qsizetype groupEnd = begin + 1;
    while (groupEnd < lines.size() && !isHeader(lines.at(groupEnd)))
        ++groupEnd;
    // New keys go after the group's last key: comments and blank lines at its end belong to
    // what follows.
    qsizetype insertAt = begin + 1;
    for (qsizetype i = begin + 1; i < groupEnd; ++i) {
        if (!keyOf(lines.at(i)).isEmpty())
            insertAt = i + 1;
    }
    if (!lines.at(insertAt - 1).endsWith('\n'))
        lines[insertAt - 1] += end;

    for (const QByteArray &line : groupLines) {
        bool replaced = false;
        for (qsizetype i = begin + 1; i < groupEnd; ++i) {
            if (keyOf(lines.at(i)) == keyOf(line)) {
                lines[i] = line.trimmed() + ending(lines.at(i));
                replaced = true;
            }
        }
        if (!replaced) {
            lines.insert(insertAt++, withEnding(line, end));
            ++groupEnd;
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
