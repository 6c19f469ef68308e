#ifndef PROGRESSOUTPUT_H
#define PROGRESSOUTPUT_H

#include "JobProgress.h"
#include "JobResult.h"

#include <QCoreApplication>
#include <QHash>
#include <QStringList>

#include <cstdio>

// The jobs' progress as the user follows it. Where every port's line fits the terminal, in
// height and in width, each port has one line, redrawn in place with a bar and the percentage.
// Anywhere else (a log file, a pipe, a terminal too small for them) a plain line goes out
// whenever a port's job passes another ten percent. The terminal's size is asked at every
// line, so a resized window changes the form from the next line on.
class ProgressOutput
{
    Q_DECLARE_TR_FUNCTIONS(ProgressOutput)

public:
    ProgressOutput(std::FILE *stream, const QStringList &ports);

    void show(const QString &port, const JobProgress &progress);
    void fail(const QString &port, JobResult::Code code);
    // A remark on the port's job, e.g. that it is being repeated.
    void note(const QString &port, const QString &text);

private:
    // Sets the port's line; false when the lines do not fit in place (then nothing is drawn).
    bool drawInPlace(const QString &port, const QString &text);
    void redraw();
    void printLine(const QString &port, const QString &text);

    std::FILE *stream;
    const bool terminal;
    QStringList ports;
    QHash<QString, QString> lines;
    // Per port: the last phase and tenth printed as a plain line.
    QHash<QString, int> printedStep;
    // Lines of the block drawn in place that the cursor stands below; 0: none.
    int drawnLines = 0;
};

#endif // PROGRESSOUTPUT_H
