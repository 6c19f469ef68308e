#ifndef PROGRESSOUTPUT_H
#define PROGRESSOUTPUT_H

#include "JobProgress.h"
#include "JobResult.h"

#include <QHash>
#include <QStringList>

#include <cstdio>

// The jobs' progress as the user follows it. On a terminal each port has one line, redrawn in
// place with a bar and the percentage; anywhere else (a log file, a pipe) a plain line goes
// out whenever a port's job passes another ten percent.
class ProgressOutput
{
public:
    ProgressOutput(std::FILE *stream, const QStringList &ports);

    void show(const QString &port, const JobProgress &progress);
    void fail(const QString &port, JobResult::Code code);
    // A remark on the port's job, e.g. that it is being repeated.
    void note(const QString &port, const QString &text);

private:
    void setLine(const QString &port, const QString &text);
    void redraw();

    std::FILE *stream;
    const bool terminal;
    QStringList ports;
    QHash<QString, QString> lines;
    // Per port: the last phase and tenth printed as a plain line.
    QHash<QString, int> printedStep;
    bool drawn = false;
};

#endif // PROGRESSOUTPUT_H
