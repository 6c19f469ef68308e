#ifndef BENCHFIRMWARE_H
#define BENCHFIRMWARE_H

#include "FirmwareFile.h"
#include "JobResult.h"
#include "LineTiming.h"
#include "ProtocolTiming.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>

// The firmware files of the update benchmarks and the time an update can't be faster than.
namespace BenchFirmware {

constexpr int LargeFileLines = 4000;

// An address line, a version line, data lines of 32 characters and the end line.
inline QByteArray largeImage()
{
    QByteArray file = "@00001000\nVER:9.9.9\n";
    for (int i = 2; i < LargeFileLines - 1; ++i)
        file += QByteArray::number(0x10000000 + i, 16).repeated(4) + "\n";
    return file + "q\n";
}

// An address line, a version line, data lines like those of the demo's sample file, the end.
inline QByteArray image(int dataLines)
{
    QByteArray file = "@00001000\nVER:2.0.1\n";
    for (int i = 0; i < dataLines; ++i)
        file += QByteArray::number(0x1000 + i, 16) + "0C9446000C9446000C944600\n";
    return file + "q\n";
}

// Writes the large image into dir and reads it back as a job does: its path, with its lines in
// lines; an empty path when either failed.
inline QString writeLarge(const QTemporaryDir &dir, QList<QByteArray> &lines)
{
    const QString path = dir.filePath(QStringLiteral("bench.cod"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(largeImage()) < 0)
        return QString();
    out.close();
    FirmwareFile file(path);
    if (file.read() != JobResult::Ok)
        return QString();
    lines = file.lines();
    return path;
}

inline int sections(const QList<QByteArray> &lines)
{
    int count = 0;
    for (const QByteArray &line : lines)
        count += FirmwareFile::kind(line) == FirmwareFile::AddressLine;
    return count;
}

// Pauses that a file with this many sections makes the update wait, in milliseconds.
inline int mandatedPausesMs(int sections)
{
    return ProtocolTiming::loaderResetPauseMs + sections * ProtocolTiming::sectionPauseMs
        + ProtocolTiming::restartPauseMs + ProtocolTiming::restartTicks * ProtocolTiming::tickMs;
}

inline double seconds(LineTiming::Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

} // namespace BenchFirmware

#endif // BENCHFIRMWARE_H
