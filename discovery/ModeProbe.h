#ifndef MODEPROBE_H
#define MODEPROBE_H

#include "LinkTimeouts.h"

#include <QString>

class ComPort;

// The two probes that tell which program answers on a line: the device's application firmware,
// its loader, or the chip's built-in in-system-programming (ISP) mode. Both run on a link that
// the caller has opened and leave it open.
namespace ModeProbe {

// The link time-outs of the firmware probe's two questions.
struct Timeouts
{
    LinkTimeouts statusQuery;
    LinkTimeouts loaderQuery;
};

// The scan walks every port each second, so it waits as briefly as the devices allow.
constexpr Timeouts ScanTimeouts {LinkTimeouts::reads(170, 10).writes(0, 1000),
                                 LinkTimeouts::reads(130, 10).writes(0, 1000)};
// After an update the device may still be busy booting; the window gives it longer.
constexpr Timeouts WindowTimeouts {LinkTimeouts::reads(300, 0).writes(0, 1000),
                                   LinkTimeouts::reads(200, 0).writes(0, 1000)};

// Results of checkFirmware().
enum FirmwareState : int {
    Unrecognised = -3, // neither firmware nor loader answered
    PortCantOpen = -1, // the window's own check could not open the port
    NoFirmware = 0, // the loader answers and holds no application firmware
    FirmwareRuns = 1, // application firmware answers the device commands
};

// Asks the status query "1g" and, when that yields nothing conclusive, the loader probe.
// Leaves the loader query's time-outs in force on the link.
int checkFirmware(ComPort &link, const Timeouts &timeouts);

// checkFirmware with WindowTimeouts on a link of its own, opened on the port and closed again:
// the check after an update. PortCantOpen when the port can't be opened.
int checkPort(const QString &portName);

// The two steps of checkFirmware, for callers that must be able to stop in between.
// askStatus answers Unrecognised when the loader probe has to decide.
int askStatus(ComPort &link, const Timeouts &timeouts);
int askLoader(ComPort &link, const Timeouts &timeouts);

// What the two steps make of the bytes they got: the status query's StatusReplyLength bytes
// (complete: all of them arrived; otherwise the rest are zero) and the loader probe's
// LoaderReplyLength bytes.
constexpr unsigned StatusReplyLength = 8;
constexpr unsigned LoaderReplyLength = 2;
int decodeStatusReply(const char *reply, bool complete);
int decodeLoaderReply(const unsigned char *reply);

// True when the line echoes the single byte "?", as a chip in ISP mode does. Runs with the
// time-outs the link already holds.
bool checkIsp(ComPort &link);

} // namespace ModeProbe

#endif // MODEPROBE_H
