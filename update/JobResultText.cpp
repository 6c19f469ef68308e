#include "JobResultText.h"

#include "JobResult.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>

namespace {

// The texts belong to the window, which shows them; other programs borrow its translations.
constexpr char Context[] = "Zelkor";

struct FailureText
{
    JobResult::Code code;
    const char *message;
};

// clang-format off
const FailureText FailureTexts[] = {
    {JobResult::PortCantOpen,           QT_TRANSLATE_NOOP("Zelkor", "Can'n open device")},
    {JobResult::FirmwareFileCantOpen,   QT_TRANSLATE_NOOP("Zelkor", "Can'n open firmware file")},
    {JobResult::FirmwareFileCorrupted,  QT_TRANSLATE_NOOP("Zelkor", "Firmware file is corrupted")},
    {JobResult::LoaderResetFailed,      QT_TRANSLATE_NOOP("Zelkor", "Can't execute command RESET")},
    {JobResult::LoaderConnectFailed,    QT_TRANSLATE_NOOP("Zelkor", "Can't execute command CONNECT")},
    {JobResult::LoaderDisconnectFailed, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command DISCONNECT")},
    {JobResult::LoaderNewSectionFailed, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command NEW SECTION")},
    {JobResult::LoaderWriteDataFailed,  QT_TRANSLATE_NOOP("Zelkor", "Can't execute command WRITE DATA")},
    {JobResult::ScalFailed,             QT_TRANSLATE_NOOP("Zelkor", "Can't execute command SCAL")},
    {JobResult::SaveFailed,             QT_TRANSLATE_NOOP("Zelkor", "Can't execute command SAVE")},
    {JobResult::GetiFailed,             QT_TRANSLATE_NOOP("Zelkor", "Can't execute command GETI")},
    {JobResult::CalibrateFailed,        QT_TRANSLATE_NOOP("Zelkor", "Can't execute command CALIBRATE")},
    {JobResult::RdanFailed,             QT_TRANSLATE_NOOP("Zelkor", "Can't execute command RDAN")},
    {JobResult::CalibrationResetFailed, QT_TRANSLATE_NOOP("Zelkor", "Can't execute command RESET")},
    {JobResult::NoExternalPower,        QT_TRANSLATE_NOOP("Zelkor", "Please connect external power")},
    {JobResult::GfwvFailed,             QT_TRANSLATE_NOOP("Zelkor", "Can't execute command GFWV")},
    {JobResult::TimeoutFailed,          QT_TRANSLATE_NOOP("Zelkor", "Can't set timeout")},
    {JobResult::FirmwareNotTaken,       QT_TRANSLATE_NOOP("Zelkor", "Device still asks for firmware")},
    {JobResult::DeviceLost,             QT_TRANSLATE_NOOP("Zelkor", "Please reconnect device")},
    {JobResult::Interrupted,            QT_TRANSLATE_NOOP("Zelkor", "Interrupted")},
};
// clang-format on

const char *const UpdateCancelled = QT_TRANSLATE_NOOP("Zelkor", "Firmware update was cancelled");
const char *const CalibrationCancelled = QT_TRANSLATE_NOOP("Zelkor", "Calibration was cancelled");

const FailureText *find(JobResult::Code code)
{
    const auto line = std::find_if(std::begin(FailureTexts), std::end(FailureTexts),
                                   [code](const FailureText &text) { return text.code == code; });
    return line == std::end(FailureTexts) ? nullptr : line;
}

} // namespace

QString JobResultText::progress(const JobProgress &progress)
{
    const int bars = progress.phase == JobProgress::Phase::Calibration
        ? (progress.percent / JobProgress::CalibrationStepPercent + 1) / 2
        : progress.percent / 10;
    return QString(bars, QLatin1Char('|')) + QStringLiteral(" %1%").arg(progress.percent);
}

QString JobResultText::message(JobResult::Code code)
{
    const FailureText *text = find(code);
    return text ? QCoreApplication::translate(Context, text->message) : QString();
}

QString JobResultText::logText(JobResult::Code code)
{
    const FailureText *text = find(code);
    return text ? QString::fromUtf8(text->message) : QString();
}

QString JobResultText::rowText(JobResult::Code code)
{
    if (!find(code))
        return QString();
    return QCoreApplication::translate(
        Context, JobResult::isCalibrationFailure(code) ? CalibrationCancelled : UpdateCancelled);
}
