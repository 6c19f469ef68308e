#ifndef TESTFIRMWARE_H
#define TESTFIRMWARE_H

#include "crc16.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

// Firmware files and the loader frames they must turn into, built here byte by byte.
namespace TestFirmware {

// Frames whose bytes are fixed.
inline const QByteArray resetFrame = QByteArray::fromHex("00f00000");
inline const QByteArray connectFrame = QByteArray::fromHex("34120000ae11");
inline const QByteArray disconnectFrame = QByteArray::fromHex("21430000fbcc");

// Code and length low byte first, the data, then the check value over all of it.
inline QByteArray loaderFrame(quint16 code, const QByteArray &data)
{
    QByteArray frame;
    frame.append(char(code & 0xff)).append(char(code >> 8));
    frame.append(char(data.size() & 0xff)).append(char(data.size() >> 8));
    frame += data;
    const quint16 check = crc16(frame.constData(), unsigned(frame.size()));
    return frame.append(char(check & 0xff)).append(char(check >> 8));
}

inline QByteArray newSection(const QByteArray &address)
{
    return loaderFrame(0x4411, address);
}

inline QByteArray writeData(const QByteArray &data)
{
    return loaderFrame(0x1144, data);
}

// One address line, a version line the simulated loader reports after booting, seven data
// lines and an end line: ten lines, as short as a file may be.
inline QByteArray tenLines()
{
    QByteArray file = "@00001000\nVER:3.1.4\n";
    for (int i = 0; i < 7; ++i)
        file += "0102030405060708090A0B0C0D0E0F1" + QByteArray::number(i) + "\n";
    return file + "q\n";
}

inline QList<QByteArray> tenLineFrames()
{
    QList<QByteArray> frames {resetFrame, connectFrame, newSection("00001000"),
                              writeData("VER:3.1.4\n")};
    // Each of these lines has 32 characters before its terminator, so the terminator is cut.
    for (int i = 0; i < 7; ++i)
        frames += writeData("0102030405060708090A0B0C0D0E0F1" + QByteArray::number(i));
    return frames << disconnectFrame << resetFrame;
}

// Progress of a ten-line file: the lines, then the restart.
inline QList<int> tenLineProgress()
{
    return {8,  17, 25, 34, 42, 51, 59, 68, 76, 85, 86, 87, 88,
            89, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100};
}

// What a successful calibration sends, in order.
inline QStringList calibrationRequests()
{
    return {"gfwv", "rdan", "geti", "calb", "rdan", "scal", "save", "RESET"};
}

inline QList<int> range(int first, int last)
{
    QList<int> values;
    for (int v = first; v <= last; ++v)
        values.append(v);
    return values;
}

inline QString write(const QTemporaryDir &dir, const QByteArray &contents)
{
    static int files = 0;
    const QString path = dir.filePath(QStringLiteral("firmware%1.cod").arg(++files));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(contents) != contents.size())
        qFatal("can't write %s", qPrintable(path));
    return path;
}

} // namespace TestFirmware

#endif // TESTFIRMWARE_H
