#include "FirmwareFile.h"

#include "JobResult.h"
#include "RegularFile.h"

#include <algorithm>

FirmwareFile::FirmwareFile(const QString &filename) : file(filename) { }

int FirmwareFile::read()
{
    if (!RegularFile::openForReading(file, QIODevice::Text))
        return JobResult::FirmwareFileCantOpen;
    return parse(file, &fileLines);
}

int FirmwareFile::parse(QIODevice &device, QList<QByteArray> *lines)
{
    if (device.size() > maxFileSize)
        return JobResult::FirmwareFileCorrupted;
    while (!device.atEnd())
        lines->append(device.readLine());
    if (lines->size() < minimumLines || hasShortAddress(*lines) || !isFramed(*lines))
        return JobResult::FirmwareFileCorrupted;
    while (isBlank(lines->last()))
        lines->removeLast();
    return JobResult::Ok;
}

void FirmwareFile::close()
{
    file.close();
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
        if (kind(line) == AddressLine && addressText(line).size() < addressLength)
            return true;
    }
    return false;
}
