#include "FirmwareFile.h"

#include "JobResult.h"

#include <QFileInfo>

#include <algorithm>

FirmwareFile::FirmwareFile(const QString &filename) : file(filename) { }

int FirmwareFile::read()
{
    if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return JobResult::FirmwareFileCantOpen;
    if (file.size() > maxFileSize)
        return JobResult::FirmwareFileCorrupted;
    while (!file.atEnd())
        fileLines.append(file.readLine());
    if (fileLines.size() < minimumLines || hasShortAddress() || !isFramed())
        return JobResult::FirmwareFileCorrupted;
    while (isBlank(fileLines.last()))
        fileLines.removeLast();
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

bool FirmwareFile::isFramed() const
{
    const auto end = std::find_if(fileLines.cbegin(), fileLines.cend(),
                                  [](const QByteArray &line) { return kind(line) == EndLine; });
    return kind(fileLines.first()) == AddressLine && end != fileLines.cend()
        && std::all_of(end + 1, fileLines.cend(), isBlank);
}

bool FirmwareFile::isBlank(const QByteArray &line)
{
    return line.trimmed().isEmpty();
}

// A short address would have to be padded, and the section would land at an address the
// file never named; refusing the file keeps the device as it is.
bool FirmwareFile::hasShortAddress() const
{
    for (const QByteArray &line : fileLines) {
        if (kind(line) == AddressLine && addressText(line).size() < addressLength)
            return true;
    }
    return false;
}
