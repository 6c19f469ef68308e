#include "DeviceThread.h"

#include "ComPort.h"
#include "ModeProbe.h"

#include <QDebug>
#include <QMutexLocker>
#include <QtEndian>

#include <optional>

namespace {

// Until a probe sets its own, a read of n bytes waits at most 140 + 2n ms; the identification
// commands of a device that runs firmware get 50 + n ms.
constexpr LinkTimeouts ScanTimeouts = LinkTimeouts::reads(140, 2).writes(0, 1000);
constexpr LinkTimeouts IdentifyTimeouts = LinkTimeouts::reads(50, 1).writes(0, 1000);

constexpr bool TwoStopBits = false;
constexpr bool OneStopBit = true;

constexpr unsigned CommandLength = 4;
// A port seen for the first time: every variant is worth a try.
constexpr int AllVariants = -1;

// Identity reply: type (4 bytes), model (2), then the 8-byte name field the scan shows.
constexpr int NameOffset = 6;
constexpr int NameLength = 8;

QString decodeName(const char *reply)
{
    const char *name = reply + NameOffset;
    return QString::fromLatin1(name, int(qstrnlen(name, NameLength)));
}

QString decodeSerial(const char *reply)
{
    return QString::number(qFromLittleEndian<quint32>(reply));
}

QString decodeVersion(const char *reply)
{
    const unsigned major = quint8(reply[0]);
    const unsigned minor = quint8(reply[1]);
    const unsigned build = qFromLittleEndian<quint16>(reply + 2);
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}

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
    QString (*decode)(const char *reply);
};

enum GroupIndex { IdentityGroup, SerialGroup, FirmwareGroup, GroupCount };

const VariantGroup Groups[GroupCount] = {
    {{{0x001, "geti", 20}, {0x002, "geti", 36}}, 0x00F, decodeName},
    {{{0x010, "gser", 10}, {0x020, "g000", 10}}, 0x0F0, decodeSerial},
    {{{0x100, "gfwv", 10}, {0x200, "g001", 10}}, 0xF00, decodeVersion},
};

} // namespace

DeviceThread::DeviceThread() : link(std::make_unique<ComPort>())
{
    link->setTimeouts(ScanTimeouts);
}

DeviceThread::~DeviceThread()
{
    requestStop();
    wait();
    link->close();
}

void DeviceThread::excludePort(QString name)
{
    link->addExcludedPort(name);
    if (link->usesPort(name))
        link->close();
}

void DeviceThread::releasePort(QString name)
{
    link->removeExcludedPort(name);
}

void DeviceThread::forgetVariants(QString location)
{
    QMutexLocker locker(&masksMutex);
    variantMasks.remove(location);
}

void DeviceThread::requestStop()
{
    requestInterruption();
    // Waits for the exchange in progress; every later one on the closed link fails at once.
    link->close();
}

bool DeviceThread::usesPort(const QString &name) const
{
    return link->usesPort(name);
}

int DeviceThread::checkFirmware()
{
    const int status = ModeProbe::askStatus(*link, ModeProbe::ScanTimeouts);
    if (status != ModeProbe::Unrecognised || !mayExchange(scannedPort))
        return status;
    return ModeProbe::askLoader(*link, ModeProbe::ScanTimeouts);
}

bool DeviceThread::checkIsp()
{
    return ModeProbe::checkIsp(*link);
}

void DeviceThread::run()
{
    const QStringList ports = link->availablePorts();
    QList<TDevices> devices;
    for (const QString &name : ports) {
        if (isInterruptionRequested())
            return;
        qDebug().noquote() << QStringLiteral("Device ") + name;
        scannedPort = name;
        scanPort(name, devices);
    }
    scannedPort.clear();
    if (!isInterruptionRequested())
        emit finish(ports, devices);
}

void DeviceThread::scanPort(const QString &name, QList<TDevices> &devices)
{
    const QByteArray port = name.toLatin1();
    if (!link->open(port.constData(), TwoStopBits)) {
        link->close();
        return;
    }
    const int mask = workingMask(name);
    if (!mayExchange(name)) {
        link->close();
        return;
    }
    const int r = checkFirmware();
    if (r > 0) {
        identify(name, mask, devices);
        return;
    }
    if (r == 0) {
        devices.append(TDevices {name, tr("n/a"), tr("n/a"), tr("Нет прошивки"), tr("Готов")});
        link->close();
        return;
    }
    // The chip's ISP mode talks with one stop bit.
    link->close();
    link->open(port.constData(), OneStopBit);
    if (mayExchange(name) && checkIsp())
        devices.append(TDevices {name, tr("n/a"), tr("n/a"), tr("Нет прошивки"), tr("режим ISP")});
    link->close();
}

void DeviceThread::identify(const QString &name, int mask, QList<TDevices> &devices)
{
    link->setTimeouts(IdentifyTimeouts);
    std::optional<QString> values[GroupCount];
    bool abandoned = false;
    for (int group = 0; group < GroupCount && !abandoned; ++group)
        abandoned = runGroup(name, group, mask, values[group]) == GroupOutcome::Abandoned;
    link->close();

    const bool answered = values[IdentityGroup] || values[SerialGroup] || values[FirmwareGroup];
    if (answered || abandoned)
        storeMask(name, mask);
    else
        forgetVariants(name);
    if (!answered)
        return;
    const auto text = [&values](int group) { return values[group].value_or(tr("n/a")); };
    devices.append(
        TDevices {name, text(SerialGroup), text(IdentityGroup), text(FirmwareGroup), tr("Готов")});
}

DeviceThread::GroupOutcome DeviceThread::runGroup(const QString &name, int group, int &mask,
                                                  std::optional<QString> &value)
{
    const VariantGroup &g = Groups[group];
    for (const Variant &variant : g.variants) {
        if (!(mask & variant.bit))
            continue;
        if (!mayExchange(name))
            return GroupOutcome::Abandoned;
        QByteArray reply(int(variant.replyLength), '\0');
        if (link->transact(variant.command, CommandLength, reply.data(), variant.replyLength)) {
            value = g.decode(reply.constData());
            mask = (mask & ~g.bits) | variant.bit;
            return GroupOutcome::Answered;
        }
    }
    // A failure while the port was being taken away says nothing about the device.
    if (!mayExchange(name))
        return GroupOutcome::Abandoned;
    mask &= ~g.bits;
    return GroupOutcome::Unanswered;
}

// The exclusion is checked as well as the link: a close from the GUI thread waits for the link's
// lock, and the next exchange could otherwise take the lock first.
bool DeviceThread::mayExchange(const QString &name) const
{
    return !isInterruptionRequested() && link->usesPort(name)
        && !link->excludedPorts().contains(name);
}

int DeviceThread::workingMask(const QString &name)
{
    QMutexLocker locker(&masksMutex);
    auto entry = variantMasks.find(name);
    if (entry == variantMasks.end())
        entry = variantMasks.insert(name, AllVariants);
    return entry.value();
}

void DeviceThread::storeMask(const QString &name, int mask)
{
    QMutexLocker locker(&masksMutex);
    variantMasks.insert(name, mask);
}
