#include "PortScan.h"

#include "ComPort.h"
#include "ModeProbe.h"
#include "ReplyCheck.h"
#include "ScanLinks.h"
#include "ScanLogging.h"
#include "VariantMasks.h"

#include <QDebug>
#include <QThread>
#include <QtEndian>

#include <iterator>

namespace {

// Until a probe sets its own, a read of n bytes waits at most 140 + 2n ms; the identification
// commands of a device that runs firmware get 50 + n ms.
constexpr LinkTimeouts ScanTimeouts = LinkTimeouts::reads(140, 2).writes(0, 1000);
constexpr LinkTimeouts IdentifyTimeouts = LinkTimeouts::reads(50, 1).writes(0, 1000);

constexpr unsigned CommandLength = 4;
// Behind the data of every identification reply: its check value, then the echo.
constexpr unsigned CheckAndEchoLength = 2 + CommandLength;

// Identity reply: type (4 bytes), model (2), then the 8-byte name field the scan shows.
constexpr int NameOffset = 6;
constexpr int NameLength = 8;

struct Variant
{
    int bit;
    const char *command;
    unsigned replyLength;
};

// Two forms of one question. The mask keeps at most one of a group's variant bits once the
// group has run: the form that answered, or none.
struct VariantGroup
{
    Variant variants[2];
    int bits;
    void (*decode)(const char *reply, DeviceFields &fields);
};

const VariantGroup Groups[] = {
    {{{0x001, "geti", 20}, {0x002, "geti", 36}},
     0x00F,
     [](const char *reply, DeviceFields &fields) { fields.name = PortScan::decodeName(reply); }},
    {{{0x010, "gser", 10}, {0x020, "g000", 10}},
     0x0F0,
     [](const char *reply, DeviceFields &fields) { fields.serial = PortScan::decodeSerial(reply); }},
    {{{0x100, "gfwv", 10}, {0x200, "g001", 10}},
     0xF00,
     [](const char *reply, DeviceFields &fields) {
         fields.firmware = PortScan::decodeVersion(reply);
     }},
};

} // namespace

PortScan::PortScan(const QString &name, ScanLinks &links, VariantMasks &masks, const QThread &pass)
    : name(name), links(links), masks(masks), pass(pass)
{ }

std::optional<TDevices> PortScan::run()
{
    if (pass.isInterruptionRequested())
        return std::nullopt;
    qCDebug(lcScanPass).noquote() << QStringLiteral("Device ") + name;
    link = links.add();
    link->setTimeouts(ScanTimeouts);
    std::optional<TDevices> record = probe();
    link->close();
    links.retire(link);
    link.reset();
    return record;
}

QString PortScan::decodeName(const char *reply)
{
    const char *name = reply + NameOffset;
    return QString::fromLatin1(name, int(qstrnlen(name, NameLength)));
}

quint32 PortScan::decodeSerial(const char *reply)
{
    return qFromLittleEndian<quint32>(reply);
}

DeviceFields::Version PortScan::decodeVersion(const char *reply)
{
    return {quint8(reply[0]), quint8(reply[1]), qFromLittleEndian<quint16>(reply + 2)};
}

int PortScan::checkFirmware()
{
    const int status = ModeProbe::askStatus(*link, ModeProbe::ScanTimeouts);
    if (status != ModeProbe::Unrecognised || !mayExchange())
        return status;
    return ModeProbe::askLoader(*link, ModeProbe::ScanTimeouts);
}

bool PortScan::checkIsp()
{
    return ModeProbe::checkIsp(*link);
}

std::optional<TDevices> PortScan::probe()
{
    const QByteArray port = name.toLatin1();
    if (!link->open(port.constData(), StopBits::Two))
        return std::nullopt;
    const int mask = masks.working(name);
    if (!mayExchange())
        return std::nullopt;
    const int r = checkFirmware();
    if (r > 0)
        return identify(mask);
    if (r == 0)
        return TDevices::of(name, {DeviceFields::Mode::Loader, {}, {}, {}});
    // The chip's ISP mode talks with one stop bit.
    link->close();
    link->open(port.constData(), StopBits::One);
    if (mayExchange() && checkIsp())
        return TDevices::of(name, {DeviceFields::Mode::Isp, {}, {}, {}});
    return std::nullopt;
}

std::optional<TDevices> PortScan::identify(int mask)
{
    link->setTimeouts(IdentifyTimeouts);
    DeviceFields fields;
    bool answered = false;
    bool abandoned = false;
    for (int group = 0; group < int(std::size(Groups)); ++group) {
        const GroupOutcome outcome = runGroup(group, mask, fields);
        answered = answered || outcome == GroupOutcome::Answered;
        abandoned = outcome == GroupOutcome::Abandoned;
        if (abandoned)
            break;
    }
    link->close();

    if (answered || abandoned)
        masks.store(name, mask);
    else
        masks.forget(name);
    if (!answered)
        return std::nullopt;
    return TDevices::of(name, fields);
}

PortScan::GroupOutcome PortScan::runGroup(int group, int &mask, DeviceFields &fields)
{
    const VariantGroup &g = Groups[group];
    for (const Variant &variant : g.variants) {
        if (!(mask & variant.bit))
            continue;
        if (!mayExchange())
            return GroupOutcome::Abandoned;
        QByteArray reply(int(variant.replyLength), '\0');
        // A reply spoilt on the line is as good as none: it must not show a wrong serial number
        // or version, in the list or in the job log.
        if (link->transact(variant.command, CommandLength, reply.data(), variant.replyLength)
            && ReplyCheck::accepts(reply.constData(), variant.replyLength - CheckAndEchoLength,
                                   checksFilled)) {
            g.decode(reply.constData(), fields);
            mask = (mask & ~g.bits) | variant.bit;
            return GroupOutcome::Answered;
        }
    }
    // A failure while the port was being taken away says nothing about the device.
    if (!mayExchange())
        return GroupOutcome::Abandoned;
    mask &= ~g.bits;
    return GroupOutcome::Unanswered;
}

// The exclusion is checked as well as the link: a close from another thread waits for the
// link's lock, and the next exchange could otherwise take the lock first.
bool PortScan::mayExchange() const
{
    return !pass.isInterruptionRequested() && link->usesPort(name)
        && !link->excludedPorts().contains(name);
}
