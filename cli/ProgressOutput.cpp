#include "ProgressOutput.h"

#include "JobResultText.h"

#include <unistd.h>

namespace {

constexpr int PercentPerStep = 10;
// Keeps the calibration's tenths apart from the update's in printedStep.
constexpr int CalibrationPhase = 100;

} // namespace

ProgressOutput::ProgressOutput(std::FILE *stream, const QStringList &ports)
    : stream(stream), terminal(::isatty(::fileno(stream)) == 1), ports(ports)
{ }

void ProgressOutput::show(const QString &port, const JobProgress &progress)
{
    const bool calibrating = progress.phase == JobProgress::Phase::Calibration;
    const QString phase = calibrating ? QStringLiteral("calibrate") : QStringLiteral("update");
    if (terminal) {
        setLine(port, QStringLiteral("%1 %2").arg(phase, -9).arg(JobResultText::progress(progress)));
        return;
    }
    const int step = (calibrating ? CalibrationPhase : 0) + progress.percent / PercentPerStep;
    if (printedStep.value(port, -1) == step)
        return;
    printedStep.insert(port, step);
    std::fprintf(stream, "%s %s %d%%\n", qPrintable(port), qPrintable(phase), progress.percent);
    std::fflush(stream);
}

void ProgressOutput::fail(const QString &port, JobResult::Code code)
{
    // The closing line reports the failure; a terminal shows it at once.
    if (terminal)
        setLine(port, JobResultText::message(code));
}

void ProgressOutput::note(const QString &port, const QString &text)
{
    if (terminal) {
        setLine(port, text);
        return;
    }
    // A repeated job counts its tenths afresh.
    printedStep.remove(port);
    std::fprintf(stream, "%s %s\n", qPrintable(port), qPrintable(text));
    std::fflush(stream);
}

void ProgressOutput::setLine(const QString &port, const QString &text)
{
    lines.insert(port, text);
    redraw();
}

// Every port's line again, from the first; the cursor ends below the last.
void ProgressOutput::redraw()
{
    if (drawn)
        std::fprintf(stream, "\033[%dA", int(ports.size()));
    drawn = true;
    for (const QString &port : std::as_const(ports))
        std::fprintf(stream, "\r\033[K%s %s\n", qPrintable(port), qPrintable(lines.value(port)));
    std::fflush(stream);
}
