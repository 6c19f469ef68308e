#ifndef PORTSCAN_H
#define PORTSCAN_H

#include "TDevices.h"

#include <memory>
#include <optional>

class ComPort;
class QThread;
class ScanLinks;
class VariantMasks;

// One port's part of a scan pass, on a link of its own: tells firmware, loader and ISP mode
// apart and identifies a device that runs firmware. The ports of a pass run side by side, one
// PortScan each; they share only the pass's links and the variant memory.
//
// The pass's thread is asked before every exchange whether it is to stop.
class PortScan
{
public:
    PortScan(const QString &name, ScanLinks &links, VariantMasks &masks, const QThread &pass);

    // The record of the device on the port, or none. The link is closed afterwards.
    std::optional<TDevices> run();

    // The firmware and ISP probes on the port's link, which must be open.
    int checkFirmware();
    bool checkIsp();

    // The values of the identification replies: the name field of a "geti" reply of at least
    // 14 bytes, the serial number and the firmware version from the first 4 bytes of theirs.
    static QString decodeName(const char *reply);
    static quint32 decodeSerial(const char *reply);
    static DeviceFields::Version decodeVersion(const char *reply);

private:
    enum class GroupOutcome {
        Answered,
        Unanswered,
        // Stopped, or the port was taken from the scan: the group's bits stay as they were.
        Abandoned,
    };

    std::optional<TDevices> probe();
    std::optional<TDevices> identify(int mask);
    GroupOutcome runGroup(int group, int &mask, DeviceFields &fields);
    bool mayExchange() const;

    const QString name;
    ScanLinks &links;
    VariantMasks &masks;
    const QThread &pass;
    std::shared_ptr<ComPort> link;
    // Whether the device has sent a right check value in this pass (ReplyCheck).
    bool checksFilled = false;
};

#endif // PORTSCAN_H
