#include "PlainReason.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

namespace {

struct Reason
{
    JobResult::Code code;
    const char *text;
};

// clang-format off
const Reason Reasons[] = {
    {JobResult::PortCantOpen, QT_TRANSLATE_NOOP("PlainReason",
        "The port could not be opened. Check that the device is plugged in and that no other "
        "program uses the port, then try again.")},
    {JobResult::FirmwareFileCantOpen, QT_TRANSLATE_NOOP("PlainReason",
        "The firmware file could not be opened. Choose a firmware file that exists and that you "
        "may read.")},
    {JobResult::FirmwareFileCorrupted, QT_TRANSLATE_NOOP("PlainReason",
        "The firmware file is not a firmware image. Nothing was sent to the device; choose the "
        "right file.")},
    {JobResult::LoaderResetFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The device did not restart into its loader, so nothing was written. Reconnect the "
        "device and try again.")},
    {JobResult::LoaderConnectFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The loader did not answer. Reconnect the device and try again.")},
    {JobResult::LoaderDisconnectFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The loader did not confirm the end of the firmware, so the device may have no working "
        "firmware now. Reconnect the device and update it again.")},
    {JobResult::LoaderNewSectionFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The loader refused a section of the firmware, so the device may have no working "
        "firmware now. Check that the file is meant for this device, then update it again.")},
    {JobResult::LoaderWriteDataFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The loader did not take a line of the firmware, so the device may have no working "
        "firmware now. Reconnect the device and update it again.")},
    {JobResult::FirmwareNotTaken, QT_TRANSLATE_NOOP("PlainReason",
        "The firmware was written several times, yet the device still asks for firmware. Check "
        "that the file is meant for this device.")},
    {JobResult::DeviceLost, QT_TRANSLATE_NOOP("PlainReason",
        "After the update the device no longer answers. Unplug it and plug it in again; if it "
        "then asks for firmware, update it again.")},
    {JobResult::Interrupted, QT_TRANSLATE_NOOP("PlainReason",
        "The job was stopped before its end because the program was closed or interrupted. Run "
        "it again; a device whose update was cut short has no working firmware until then.")},
    {JobResult::ScalFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The device did not take the new calibration values and keeps its old calibration. "
        "Reconnect the device and calibrate it again.")},
    {JobResult::SaveFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The device did not confirm that it stored the new calibration. Calibrate it again.")},
    {JobResult::GetiFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The device did not say which model it is, so it was not calibrated. Reconnect the "
        "device and try again.")},
    {JobResult::CalibrateFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The device did not enter its calibration mode, so it was not calibrated. Reconnect "
        "the device and try again.")},
    {JobResult::RdanFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The device's measurements could not be read, or do not fit the voltage set under "
        "External power. Check the external supply and the voltage, then calibrate again.")},
    {JobResult::CalibrationResetFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The device stored its calibration but did not restart. Unplug it and plug it in "
        "again.")},
    {JobResult::NoExternalPower, QT_TRANSLATE_NOOP("PlainReason",
        "The device measures no external supply. Connect the supply at the voltage set under "
        "External power and calibrate again.")},
    {JobResult::GfwvFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The device did not report its firmware version, so it was not calibrated. A device "
        "without firmware must be updated first; otherwise reconnect it and try again.")},
    {JobResult::TimeoutFailed, QT_TRANSLATE_NOOP("PlainReason",
        "The port refused its time-out settings. Reconnect the device and try again.")},
};
// clang-format on

} // namespace

QString PlainReason::of(JobResult::Code code, const FirmwareFileDefect &defect)
{
    if (defect.kind != FirmwareFileDefect::None)
        return fileDefect(defect);
    const auto reason = std::find_if(std::begin(Reasons), std::end(Reasons),
                                     [code](const Reason &known) { return known.code == code; });
    return reason == std::end(Reasons) ? QString() : tr(reason->text);
}

QString PlainReason::fileDefect(const FirmwareFileDefect &defect)
{
    const QString path = defect.path;
    const QString line = QString::number(defect.line);
    const QString untouched = tr("Nothing was sent to the device; choose the right firmware "
                                 "file.");
    QString what;
    switch (defect.kind) {
    case FirmwareFileDefect::None:
        break;
    case FirmwareFileDefect::CantOpen:
        return openFailure(defect);
    case FirmwareFileDefect::TooLarge:
        what = tr("The firmware file %1 is larger than any firmware image (16 MiB).").arg(path);
        break;
    case FirmwareFileDefect::Changed:
        return tr("The firmware file %1 changed while it was read. Wait until it is copied in "
                  "full, then try again.")
            .arg(path);
    case FirmwareFileDefect::TooFewLines:
        what = tr("The firmware file %1 has %2 lines; a firmware file has at least 10.")
                   .arg(path, line);
        break;
    case FirmwareFileDefect::NoAddressFirst:
        what = tr("Line 1 of the firmware file %1 is no address line (one that begins with "
                  "\"@\").")
                   .arg(path);
        break;
    case FirmwareFileDefect::ShortAddress:
        what = tr("The address on line %2 of the firmware file %1 is shorter than 8 characters.")
                   .arg(path, line);
        break;
    case FirmwareFileDefect::NoEndLine:
        what = tr("The firmware file %1 has no end line (\"q\"): it may have been cut short.")
                   .arg(path);
        break;
    case FirmwareFileDefect::TextAfterEnd:
        what = tr("Line %2 of the firmware file %1 follows its end line (\"q\"), where only "
                  "blank lines may be.")
                   .arg(path, line);
        break;
    }
    return what + QLatin1Char(' ') + untouched;
}

QString PlainReason::openFailure(const FirmwareFileDefect &defect)
{
    QString why;
    switch (defect.systemError) {
    case ENOENT:
        why = tr("it does not exist");
        break;
    case EACCES:
    case EPERM:
        why = tr("you may not read it");
        break;
    case EINVAL:
    case EISDIR:
        why = tr("it is no regular file");
        break;
    default:
        why = QString::fromLocal8Bit(std::strerror(defect.systemError));
        break;
    }
    return tr("The firmware file %1 could not be opened: %2. Choose a firmware file that exists "
              "and that you may read.")
        .arg(defect.path, why);
}
