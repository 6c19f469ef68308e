#ifndef LOGFILEWRITER_H
#define LOGFILEWRITER_H

#include <QByteArray>
#include <QString>

// Appends lines to the log file at a path, which other processes (windows started in the same
// folder) may write and rotate at the same time: each line is written under a lock on the file,
// into the file the path names at that moment. The file stays under a size limit by giving way
// to a new one; the one before is kept as "<name>.1". A symbolic link in the log's place is
// refused.
class LogFileWriter
{
public:
    LogFileWriter(const QString &path, qint64 limit);
    ~LogFileWriter();
    LogFileWriter(const LogFileWriter &) = delete;
    LogFileWriter &operator=(const LogFileWriter &) = delete;

    // False, with the reason, when the file cannot be opened.
    bool open(QString *error);
    bool isOpen() const { return fd >= 0; }
    // One whole line, its end included.
    void write(const QByteArray &line);

private:
    void append(const QByteArray &line);
    bool reopen();
    bool heldIsAtPath() const;
    bool lockCurrent();
    bool full(qsizetype lineSize) const;
    bool rotate();
    void closeFile();

    QByteArray nativePath;
    qint64 limit;
    int fd = -1;
    bool rotationFailureReported = false;
    bool writeFailureReported = false;
};

#endif // LOGFILEWRITER_H
