#ifndef JOBLOG_H
#define JOBLOG_H

#include "JobRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The job log: one CSV file (RFC 4180) that every program of the suite appends a row to for
// each finished job. Rows are never rewritten. Each row is appended under a lock on the file and
// is on disk before append() returns, so programs that write at once, or a crash right after,
// never lose or interleave rows; a row lands whole or not at all. An empty file gets the header
// row first, and so does a file whose last row has other columns (an older version's): each
// header row names the columns of the rows below it.
//
// append() blocks for one disk flush; the window may call it from its GUI thread.
class JobLog
{
public:
    // Beside settings.ini: relative to the working directory.
    static constexpr char DefaultFileName[] = "zelkor-jobs.csv";

    explicit JobLog(const QString &path = QString::fromLatin1(DefaultFileName));

    QString path() const { return filePath; }

    // False, with the system's reason, when the row could not be written; a caller shows the
    // reason and leaves the job's own result as it was.
    bool append(const JobRecord &record, QString *reason = nullptr) const;

    static QByteArray header();
    // The record as one line, CRLF included.
    static QByteArray row(const JobRecord &record);
    // Texts as one line, quoted as the log quotes its text fields, CRLF included: for other
    // tables of jobs that users open in a spreadsheet.
    static QByteArray textRow(const QStringList &texts);

private:
    QString filePath;
};

#endif // JOBLOG_H
