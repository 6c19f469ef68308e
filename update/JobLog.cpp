#include "JobLog.h"

#include "PrintableText.h"
#include "RegularFile.h"

#include <QByteArrayList>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr mode_t LogFileMode = 0644;
// A program stopped while it holds the lock (in a debugger, say) must not keep the others' rows
// out: after this long they are appended without it.
constexpr int LockWaitMs = 2000;
constexpr int VoltageDecimals = 2;
constexpr int SecondsDecimals = 1;

// No column name needs quoting. New columns go at the end, so that readers that know fewer
// keep working.
constexpr char Header[] = "time,host,program,port,device path,job,serial number,description,"
                          "firmware before,firmware after,firmware file,firmware sha256,voltage,"
                          "attempts,result code,result text,seconds,serial after\r\n";
constexpr int ColumnCount = 18;
// Enough for the last row of any log: its longest fields are a file name and a description.
constexpr qsizetype TailBytes = 64 * 1024;

// A spreadsheet takes a cell that begins with one of these for a formula, which a device's
// description or a file name could carry in; a leading apostrophe keeps it text.
const QString FormulaStarts = QStringLiteral("=+-@\t\r");

// Quoted only when the field holds a separator or a quote; quotes doubled. Control characters
// are escaped, so that every row stays one line.
QByteArray csvField(const QString &text)
{
    QByteArray field = PrintableText::escaped(text).toUtf8();
    if (field.contains(',') || field.contains('"')) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

QByteArray textField(const QString &text)
{
    const bool formula = !text.isEmpty() && FormulaStarts.contains(text.front());
    return csvField(formula ? QLatin1Char('\'') + text : text);
}

// The program's own numbers stay numbers to a spreadsheet, negative ones too.
QByteArray numberField(const QString &number)
{
    return csvField(number);
}

// ISO 8601 with the local offset spelt out, also when it is zero.
QString isoTime(const QDateTime &time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
        + QStringLiteral("%1%2:%3")
              .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
              .arg(minutes / 60, 2, 10, QLatin1Char('0'))
              .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

bool fail(QString *reason, const QString &path, int error)
{
    if (reason)
        *reason = RegularFile::failure(path, error);
    return false;
}

// The fields of a line, counted outside quotes.
int columns(const QByteArray &line)
{
    int count = 1;
    bool quoted = false;
    for (const char c : line) {
        if (c == '"')
            quoted = !quoted;
        else if (c == ',' && !quoted)
            ++count;
    }
    return count;
}

// What the row must follow: a line end after a last line that lacks one (a row cut short by a
// crash, a file edited by hand), then the header where the last whole line has other columns
// than ours: in an empty file, and in one that an older version wrote, whose rows keep the
// header they were written under.
bool rowPrefix(int fd, qint64 size, QByteArray *prefix)
{
    const qint64 start = std::max<qint64>(0, size - TailBytes);
    QByteArray tail(qsizetype(size - start), Qt::Uninitialized);
    if (!RegularFile::readAt(fd, start, &tail))
        return false;
    *prefix = tail.isEmpty() || tail.endsWith('\n') ? QByteArray() : QByteArray("\r\n");
    // The last whole line, if the tail holds all of it.
    const qsizetype end = tail.lastIndexOf('\n');
    const qsizetype begin = end > 0 ? tail.lastIndexOf('\n', end - 1) + 1 : 0;
    const bool ours = end >= 0 && (begin > 0 || start == 0)
        && columns(tail.mid(begin, end - begin)) == ColumnCount;
    if (!ours)
        *prefix += JobLog::header();
    return true;
}

} // namespace

JobLog::JobLog(const QString &path) : filePath(path) { }

QByteArray JobLog::header()
{
    return QByteArray(Header);
}

QByteArray JobLog::row(const JobRecord &r)
{
    const QByteArrayList fields {
        textField(isoTime(r.time)),
        textField(r.host),
        textField(r.program),
        textField(r.port),
        textField(r.devicePath),
        textField(JobRecord::jobName(r.kind)),
        textField(r.serialNumber),
        textField(r.description),
        textField(r.firmwareBefore),
        textField(r.firmwareAfter),
        textField(r.firmwareFile),
        textField(r.firmwareSha256),
        numberField(r.voltage ? QString::number(*r.voltage, 'f', VoltageDecimals) : QString()),
        numberField(QString::number(r.attempts)),
        numberField(QString::number(r.resultCode)),
        textField(r.resultText),
        numberField(QString::number(r.seconds, 'f', SecondsDecimals)),
        textField(r.serialAfter),
    };
    return fields.join(',') + "\r\n";
}

// The history's texts are the user's as much as the log's: a formula in one would run too.
QByteArray JobLog::textRow(const QStringList &texts)
{
    QByteArrayList fields;
    for (const QString &text : texts)
        fields.append(textField(text));
    return fields.join(',') + "\r\n";
}

// Under a lock on the file, so that the row's place and its undoing are this program's alone.
// A row that did not land whole (a full disk) is cut off again: the next one would be glued to
// its fragment.
bool JobLog::append(const JobRecord &record, QString *reason) const
{
    // A FIFO under the log's name would block the open until a reader came; a link in its
    // place is refused.
    const int fd = RegularFile::openOwnFile(filePath, O_RDWR | O_APPEND | O_CREAT, LogFileMode);
    if (fd < 0)
        return fail(reason, filePath, errno);
    const bool locked = RegularFile::lock(fd, LockWaitMs);
    const qint64 before = RegularFile::size(fd);
    QByteArray text;
    bool ok = before >= 0 && rowPrefix(fd, before, &text);
    text += row(record);
    qsizetype written = 0;
    ok = ok && RegularFile::writeAll(fd, text, &written) && RegularFile::sync(fd);
    int error = errno;
    // Without the lock, only what is certainly this row's own is cut.
    if (!ok && written > 0 && (locked || RegularFile::size(fd) == before + written)) {
        if (RegularFile::truncate(fd, before))
            RegularFile::sync(fd);
    }
    // Windows lets go of a lock some time after the close, not at once.
    if (locked)
        RegularFile::unlock(fd);
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && before == 0)
        RegularFile::syncFolder(filePath);
    return ok || fail(reason, filePath, error);
}
