#ifndef FIRMWAREFILE_H
#define FIRMWAREFILE_H

#include "FirmwareFileDefect.h"
#include "JobResult.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// A "*.cod" firmware image: its lines, exactly as read in text mode, in file order.
// The lines are not decoded; each one becomes one loader frame according to its kind.
//
// Before a device is touched the file must look like an image: a regular file of at least ten
// lines (blank ones count) and at most maxFileSize bytes, starting with an address line, with
// full 8-byte addresses, and with one end line followed by nothing but blank lines. Anything
// else would have the device reset and erased for nothing, or left with a partial image marked
// finished.
class FirmwareFile
{
public:
    enum LineKind { EndLine, AddressLine, DataLine };

    static constexpr int minimumLines = 10;
    // Far above any image the devices can hold; a larger file is not an image.
    static constexpr qint64 maxFileSize = 16 * 1024 * 1024;

    explicit FirmwareFile(const QString &filename);

    // Opens and reads the whole file. Answers JobResult::Ok, FirmwareFileCantOpen (also for
    // anything but a regular file, which could block the reader for ever) or
    // FirmwareFileCorrupted, and defect() tells why. The blank lines after the end line are
    // dropped: they are not sent.
    JobResult::Code read();
    // The checks and line splitting of read() on any device open for reading in text mode;
    // defect, when given, gets what is wrong (no path).
    static JobResult::Code parse(QIODevice &device, QList<QByteArray> *lines,
                                 FirmwareFileDefect *defect = nullptr);

    const QList<QByteArray> &lines() const { return fileLines; }
    const FirmwareFileDefect &defect() const { return fileDefect; }

    static LineKind kind(const QByteArray &line);
    // The text of an address line after its "@", terminator included.
    static QByteArray addressText(const QByteArray &line);

private:
    static QList<QByteArray> splitLines(const QByteArray &contents);
    // Enough lines, full addresses, an address line first, one end line and only blank lines
    // after it.
    static FirmwareFileDefect checkLines(const QList<QByteArray> &lines);
    static bool isBlank(const QByteArray &line);

    QFile file;
    QList<QByteArray> fileLines;
    FirmwareFileDefect fileDefect;
};

#endif // FIRMWAREFILE_H
