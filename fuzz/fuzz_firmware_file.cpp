// A "*.cod" firmware file: any bytes read and checked as the update reads a file, and every
// line of an accepted one taken apart as the update sends it.
#include "FirmwareFile.h"
#include "FuzzInput.h"
#include "JobResult.h"
#include "LoaderCommands.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray contents = FuzzInput(data, size).remaining();
    QBuffer file(&contents);
    file.open(QIODevice::ReadOnly | QIODevice::Text);
    QList<QByteArray> lines;
    if (FirmwareFile::parse(file, &lines) != JobResult::Ok)
        return 0;
    // What the update relies on: it starts a section first and finishes with the end line.
    requireThat(FirmwareFile::kind(lines.first()) == FirmwareFile::AddressLine,
                "an accepted file starts with an address line");
    requireThat(FirmwareFile::kind(lines.last()) == FirmwareFile::EndLine,
                "an accepted file ends with its end line");
    for (const QByteArray &line : lines) {
        if (FirmwareFile::kind(line) == FirmwareFile::AddressLine)
            requireThat(FirmwareFile::addressText(line).size() >= LoaderCommands::addressLength,
                        "every address is complete");
    }
    return 0;
}
