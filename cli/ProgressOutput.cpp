#include "ProgressOutput.h"

#include "JobResultText.h"
#include "PrintableText.h"
#include "TerminalSize.h"

#include <algorithm>

namespace {

constexpr int PercentPerStep = 10;
// Keeps the calibration's tenths apart from the update's in printedStep.
constexpr int CalibrationPhase = 100;

QString lineText(const QString &port, const QString &text)
{
    return PrintableText::escaped(port + QLatin1Char(' ') + text);
}

} // namespace

ProgressOutput::ProgressOutput(std::FILE *stream, const QStringList &ports)
    : stream(stream), terminal(TerminalSize::isTerminal(stream)), ports(ports)
{ }

void ProgressOutput::show(const QString &port, const JobProgress &progress)
{
    const bool calibrating = progress.phase == JobProgress::Phase::Calibration;
    const QString update = tr("update");
    const QString calibrate = tr("calibrate");
    const QString phase = calibrating ? calibrate : update;
    // The block's columns line up whichever phase each port is in.
    const int phaseWidth = int(std::max(update.size(), calibrate.size()));
    if (drawInPlace(
            port,
            QStringLiteral("%1 %2").arg(phase, -phaseWidth).arg(JobResultText::progress(progress))))
        return;
    const int step = (calibrating ? CalibrationPhase : 0) + progress.percent / PercentPerStep;
    if (printedStep.value(port, -1) == step)
        return;
    printedStep.insert(port, step);
    printLine(port, QStringLiteral("%1 %2%").arg(phase).arg(progress.percent));
}

// The closing line reports the failure; a line drawn in place shows it at once.
void ProgressOutput::fail(const QString &port, JobResult::Code code)
{
    drawInPlace(port, JobResultText::message(code));
}

void ProgressOutput::note(const QString &port, const QString &text)
{
    if (drawInPlace(port, text))
        return;
    // A repeated job counts its tenths afresh.
    printedStep.remove(port);
    printLine(port, text);
}

bool ProgressOutput::drawInPlace(const QString &port, const QString &text)
{
    lines.insert(port, text);
    const TerminalSize size = terminal ? TerminalSize::of(stream) : TerminalSize {};
    // The block's lines and the one the cursor waits on; a line as wide as the terminal
    // would wrap, and moving up by the block's lines would then miss its first.
    bool fits = size.rows > ports.size();
    for (const QString &shown : std::as_const(ports))
        fits = fits && lineText(shown, lines.value(shown)).size() < size.columns;
    if (!fits) {
        // Plain lines go below whatever was drawn; a later block starts afresh.
        drawnLines = 0;
        return false;
    }
    redraw();
    return true;
}

// Every port's line again, from the first; the cursor ends below the last.
void ProgressOutput::redraw()
{
    if (drawnLines > 0)
        std::fprintf(stream, "\033[%dA", drawnLines);
    drawnLines = int(ports.size());
    for (const QString &port : std::as_const(ports))
        std::fprintf(stream, "\r\033[K%s\n", qPrintable(lineText(port, lines.value(port))));
    std::fflush(stream);
}

void ProgressOutput::printLine(const QString &port, const QString &text)
{
    std::fprintf(stream, "%s\n", qPrintable(lineText(port, text)));
    std::fflush(stream);
}
