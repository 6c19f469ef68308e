#ifndef FIRMWAREFILE_H
#define FIRMWAREFILE_H

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// A "*.cod" firmware image: its lines, exactly as read in text mode, in file order.
// The lines are not decoded; each one becomes one loader frame according to its kind.
class FirmwareFile
{
public:
    enum LineKind { EndLine, AddressLine, DataLine };

    static constexpr int minimumLines = 10;
    // The loader's set-address command carries this many bytes after the "@".
    static constexpr int addressLength = 8;

    explicit FirmwareFile(const QString &filename);

    // Opens and reads the whole file; the file stays open until close(). Answers
    // JobResult::Ok, FirmwareFileCantOpen or FirmwareFileCorrupted.
    int read();
    void close();

    const QList<QByteArray> &lines() const { return fileLines; }

    static LineKind kind(const QByteArray &line);
    // The text of an address line after its "@", terminator included.
    static QByteArray addressText(const QByteArray &line);

private:
    bool hasShortAddress() const;

    QFile file;
    QList<QByteArray> fileLines;
};

#endif // FIRMWAREFILE_H
