#include "FirmwareFile.h"

#include "JobResult.h"

FirmwareFile::FirmwareFile(const QString &filename) : file(filename) { }

int FirmwareFile::read()
{
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return JobResult::FirmwareFileCantOpen;
    while (!file.atEnd())
        fileLines.append(file.readLine());
    if (fileLines.size() < minimumLines || hasShortAddress())
        return JobResult::FirmwareFileCorrupted;
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
