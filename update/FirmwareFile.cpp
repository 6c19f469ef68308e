#include "FirmwareFile.h"

#include "LoaderCommands.h"
#include "RegularFile.h"

#include <algorithm>

FirmwareFile::FirmwareFile(const QString &filename) : file(filename) { }

JobResult::Code FirmwareFile::read()
{
    if (!RegularFile::openForReading(file, QIODevice::Text))
        return JobResult::FirmwareFileCantOpen;
    return parse(file, &fileLines);
}

JobResult::Code FirmwareFile::parse(QIODevice &device, QList<QByteArray> *lines)
{
    // No more is read than the file held when the read began, and never past maxFileSize: a
    // file that grows meanwhile (still being copied, say) is no image to flash.
    const qint64 limit = device.isSequential() ? maxFileSize : qMin(device.size(), maxFileSize + 1);
    if (limit > maxFileSize)
        return JobResult::FirmwareFileCorrupted;
    const QByteArray contents = device.read(limit + 1);
    if (contents.size() > limit)
        return JobResult::FirmwareFileCorrupted;
    for (qsizetype start = 0; start < contents.size();) {
        const qsizetype end = contents.indexOf('\n', start);
        const qsizetype next = end < 0 ? contents.size() : end + 1;
        lines->append(contents.mid(start, next - start));
        start = next;
    }
    if (lines->size() < minimumLines || hasShortAddress(*lines) || !isFramed(*lines))
        return JobResult::FirmwareFileCorrupted;
    while (isBlank(lines->last()))
        lines->removeLast();
    return JobResult::Ok;
}

FirmwareFile::LineKind FirmwareFile::kind(const QByteArray &line)
{
    if (line.startsWith('q'))
        return EndLine;
    if (line.startsWith('@'))
        return AddressLine;
    return DataLine;
}

QByteArray FirmwareFile::addressText(const QByteArray &line)
{
    return line.right(line.size() - 1);
}

bool FirmwareFile::isFramed(const QList<QByteArray> &lines)
{
    const auto end = std::find_if(lines.cbegin(), lines.cend(),
                                  [](const QByteArray &line) { return kind(line) == EndLine; });
    return kind(lines.first()) == AddressLine && end != lines.cend()
        && std::all_of(end + 1, lines.cend(), isBlank);
}

bool FirmwareFile::isBlank(const QByteArray &line)
{
    return line.trimmed().isEmpty();
}

// A short address would have to be padded, and the section would land at an address the
// file never named; refusing the file keeps the device as it is.
bool FirmwareFile::hasShortAddress(const QList<QByteArray> &lines)
{
    for (const QByteArray &line : lines) {
        if (kind(line) == AddressLine && addressText(line).size() < LoaderCommands::addressLength)
            return true;
    }
    return false;
}
