#include "FirmwareFile.h"

#include "LoaderCommands.h"
#include "RegularFile.h"

#include <algorithm>
#include <cerrno>

FirmwareFile::FirmwareFile(const QString &filename) : file(filename) { }

JobResult::Code FirmwareFile::read()
{
    // Opened through its descriptor, the file forgets its name.
    const QString path = file.fileName();
    fileDefect = {};
    JobResult::Code result = JobResult::FirmwareFileCantOpen;
    if (!RegularFile::openForReading(file, QIODevice::Text)) {
        fileDefect.kind = FirmwareFileDefect::CantOpen;
        fileDefect.systemError = errno;
    } else {
        result = parse(file, &fileLines, &fileDefect);
    }
    fileDefect.path = path;
    return result;
}

JobResult::Code FirmwareFile::parse(QIODevice &device, QList<QByteArray> *lines,
                                    FirmwareFileDefect *defect)
{
    FirmwareFileDefect found;
    // No more is read than the file held when the read began, and never past maxFileSize: a
    // file that grows meanwhile (still being copied, say) is no image to flash.
    const qint64 limit = device.isSequential() ? maxFileSize : qMin(device.size(), maxFileSize + 1);
    QByteArray contents;
    if (limit > maxFileSize)
        found.kind = FirmwareFileDefect::TooLarge;
    else if ((contents = device.read(limit + 1)).size() > limit)
        found.kind = device.isSequential() ? FirmwareFileDefect::TooLarge
                                           : FirmwareFileDefect::Changed;
    else
        found = checkLines(*lines = splitLines(contents));
    if (defect)
        *defect = found;
    if (found.kind != FirmwareFileDefect::None)
        return JobResult::FirmwareFileCorrupted;
    while (isBlank(lines->last()))
        lines->removeLast();
    return JobResult::Ok;
}

QList<QByteArray> FirmwareFile::splitLines(const QByteArray &contents)
{
    QList<QByteArray> lines;
    for (qsizetype start = 0; start < contents.size();) {
        const qsizetype end = contents.indexOf('\n', start);
        const qsizetype next = end < 0 ? contents.size() : end + 1;
        lines.append(contents.mid(start, next - start));
        start = next;
    }
    return lines;
}

// The first fault found, with its line counted from 1. A short address would have to be
// padded, and the section would land at an address the file never named.
FirmwareFileDefect FirmwareFile::checkLines(const QList<QByteArray> &lines)
{
    const auto at = [](FirmwareFileDefect::Kind kind, qsizetype index) {
        FirmwareFileDefect defect;
        defect.kind = kind;
        defect.line = int(index) + 1;
        return defect;
    };
    if (lines.size() < minimumLines)
        return at(FirmwareFileDefect::TooFewLines, lines.size() - 1);
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QByteArray &line = lines.at(index);
        if (kind(line) == AddressLine && addressText(line).size() < LoaderCommands::addressLength)
            return at(FirmwareFileDefect::ShortAddress, index);
    }
    if (kind(lines.first()) != AddressLine)
        return at(FirmwareFileDefect::NoAddressFirst, 0);
    const auto end = std::find_if(lines.cbegin(), lines.cend(),
                                  [](const QByteArray &line) { return kind(line) == EndLine; });
    if (end == lines.cend())
        return at(FirmwareFileDefect::NoEndLine, lines.size() - 1);
    const auto after = std::find_if_not(end + 1, lines.cend(), isBlank);
    if (after != lines.cend())
        return at(FirmwareFileDefect::TextAfterEnd, after - lines.cbegin());
    return {};
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

bool FirmwareFile::isBlank(const QByteArray &line)
{
    return line.trimmed().isEmpty();
}
