#ifndef MODEPROBE_H
#define MODEPROBE_H

class ComPort;

// The two probes that tell which program answers on a line: the device's application firmware,
// its loader, or the chip's built-in in-system-programming (ISP) mode. Both run on a link that
// the caller has opened and leave it open.
namespace ModeProbe {

// Read time-outs of the firmware probe, in milliseconds: the read constant of the status query,
// that of the loader query, and the per-byte multiplier used for both.
struct Timeouts
{
    unsigned statusReadConstant;
    unsigned loaderReadConstant;
    unsigned readMultiplier;
};

// The scan walks every port each second, so it waits as briefly as the devices allow.
constexpr Timeouts ScanTimeouts {170, 130, 10};
// After an update the device may still be busy booting; the window gives it longer.
constexpr Timeouts WindowTimeouts {300, 200, 0};

// Results of checkFirmware().
enum FirmwareState : int {
    Unrecognised = -3, // neither firmware nor loader answered
    NoFirmware = 0, // the loader answers and holds no application firmware
    FirmwareRuns = 1, // application firmware answers the device commands
};

// Asks the status query "1g" and, when that yields nothing conclusive, the loader probe.
// Leaves the loader query's time-outs in force on the link.
int checkFirmware(ComPort &link, const Timeouts &timeouts);

// The two steps of checkFirmware, for callers that must be able to stop in between.
// askStatus answers Unrecognised when the loader probe has to decide.
int askStatus(ComPort &link, const Timeouts &timeouts);
int askLoader(ComPort &link, const Timeouts &timeouts);

// True when the line echoes the single byte "?", as a chip in ISP mode does. Runs with the
// time-outs the link already holds.
bool checkIsp(ComPort &link);

} // namespace ModeProbe

#endif // MODEPROBE_H
