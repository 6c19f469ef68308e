#ifndef TESTFIRMWARE_H
#define TESTFIRMWARE_H

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <numeric>

// Firmware files and what a job must make of them.
namespace TestFirmware {

inline QList<int> range(int first, int last)
{
    QList<int> values(last - first + 1);
    std::iota(values.begin(), values.end(), first);
    return values;
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

// Progress of a ten-line file: the lines, then the restart.
inline QList<int> tenLineProgress()
{
    return QList<int> {8, 17, 25, 34, 42, 51, 59, 68, 76, 85} + range(86, 100);
}

inline QStringList tenLineRequests()
{
    return QStringList {"RESET", "CONNECT", "NEW SECTION"} + QStringList(8, "WRITE DATA")
        + QStringList {"DISCONNECT", "RESET"};
}

// What a successful calibration sends, in order.
inline QStringList calibrationRequests()
{
    return {"gfwv", "rdan", "geti", "calb", "rdan", "scal", "save", "RESET"};
}

inline QString write(const QTemporaryDir &dir, const QByteArray &contents)
{
    static int files = 0;
    QFile out(dir.filePath(QStringLiteral("firmware%1.cod").arg(++files)));
    if (!out.open(QIODevice::WriteOnly) || out.write(contents) != contents.size())
        qFatal("can't write %s", qPrintable(out.fileName()));
    return out.fileName();
}

} // namespace TestFirmware

#endif // TESTFIRMWARE_H
