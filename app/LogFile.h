#ifndef LOGFILE_H
#define LOGFILE_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A log a user can attach to a bug report: every line the program writes, with a time stamp in
// front, goes to stderr and to a file beside settings.ini. The file stays under a size limit by
// giving way to a new one; the one before is kept as "<name>.1".
namespace LogFile {

constexpr char DefaultName[] = "zelkor.log";
constexpr qint64 DefaultLimit = 1024 * 1024;
// A longer message is cut to this many bytes and marked: one runaway value (a megabyte-long key
// in settings.ini) must not fill the log on its own.
constexpr qsizetype MaxMessageBytes = 4096;
constexpr char CutMark[] = " [cut]";

// From here on, lines are kept in memory as well as written to stderr, until install() puts
// them in the file: Qt writes some while QApplication is being built, before the log exists.
void keepEarlyLines();
// Takes over Qt's message output for the whole process. False, with the reason, when the file
// cannot be opened; the lines then go to stderr alone.
bool install(const QString &path, qint64 limit, QString *error);
// Gives the output back to whoever had it before and closes the file.
void uninstall();
// The scan's lines of every pass go to stderr; the file gets them only when verbose, or an
// idle hour would fill it with tens of thousands of them.
void setVerbose(bool verbose);

} // namespace LogFile

#endif // LOGFILE_H
