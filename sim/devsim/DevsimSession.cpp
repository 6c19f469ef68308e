#include "DevsimSession.h"

#include <QSettings>

namespace {

const QString PortsGroup = QStringLiteral("Ports");
constexpr int ShownBytes = 16;

QString key(int port)
{
    return PortsGroup + QStringLiteral("/COM%1").arg(port);
}

QString hex(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes.left(ShownBytes).toHex(' '));
    if (bytes.size() > ShownBytes)
        text += QStringLiteral(" ... (%1 bytes)").arg(bytes.size());
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QString faultSummary(const QList<DeviceFault> &faults)
{
    QStringList parts;
    for (const DeviceFault &fault : faults)
        parts << fault.request + QLatin1Char(':') + DeviceFault::kindName(fault.kind);
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QStringLiteral(", "));
}

QStringList row(const PlannedDevice &plan, const QString &path)
{
    const DeviceProfile &profile = plan.profile;
    const bool firmware = profile.mode == DeviceMode::Firmware;
    const QString none = QStringLiteral("-");
    return {QStringLiteral("COM%1").arg(plan.port),
            path,
            plan.profileName,
            firmware ? QString::number(profile.serialNumber) : none,
            firmware ? QString::fromLatin1(profile.description) : none,
            firmware ? profile.firmware.toString() : none,
            faultSummary(plan.faults)};
}

} // namespace

DevsimSession::DevsimSession(const DevsimOptions &options) : options(options) { }

DevsimSession::~DevsimSession()
{
    QString ignored;
    stop(&ignored);
}

bool DevsimSession::start(QString *error)
{
    clock.start();
    for (const PlannedDevice &plan : options.devices) {
        auto device = std::make_unique<SimulatedDevice>(plan.profile);
        for (const DeviceFault &fault : plan.faults)
            device->addFault(fault);
        if (!device->start()) {
            *error = QStringLiteral("no pseudo-terminal for COM%1: %2")
                         .arg(plan.port)
                         .arg(device->errorString());
            return false;
        }
        devices.push_back({plan, std::move(device), 0});
    }
    return writePorts(error);
}

bool DevsimSession::writePorts(QString *error)
{
    QSettings settings(options.settingsPath, QSettings::IniFormat);
    for (const Running &running : devices)
        settings.setValue(key(running.plan.port), running.device->portPath());
    settings.sync();
    portsWritten = settings.status() == QSettings::NoError;
    if (!portsWritten)
        *error = QStringLiteral("can't write %1").arg(options.settingsPath);
    return portsWritten;
}

bool DevsimSession::stop(QString *error)
{
    for (Running &running : devices)
        running.device->stop();
    if (!portsWritten)
        return true;
    QSettings settings(options.settingsPath, QSettings::IniFormat);
    for (const Running &running : devices) {
        if (settings.value(key(running.plan.port)).toString() == running.device->portPath())
            settings.remove(key(running.plan.port));
    }
    settings.sync();
    portsWritten = false;
    if (settings.status() != QSettings::NoError) {
        *error = QStringLiteral("can't remove the ports from %1").arg(options.settingsPath);
        return false;
    }
    return true;
}

QString DevsimSession::table() const
{
    QList<QStringList> rows {
        {"Port", "Device path", "Profile", "Serial", "Description", "Firmware", "Faults"}};
    for (const Running &running : devices)
        rows << row(running.plan, running.device->portPath());
    QList<int> widths(rows.first().size(), 0);
    for (const QStringList &cells : rows) {
        for (int i = 0; i < cells.size(); ++i)
            widths[i] = qMax(widths[i], int(cells[i].size()));
    }
    QStringList lines;
    for (const QStringList &cells : rows) {
        QString line;
        for (int i = 0; i < cells.size(); ++i)
            line += cells[i].leftJustified(widths[i] + 2);
        lines << line.trimmed();
    }
    return lines.join(QLatin1Char('\n'));
}

void DevsimSession::printTraffic(QTextStream &out)
{
    const auto started =
        std::chrono::steady_clock::now() - std::chrono::nanoseconds(clock.nsecsElapsed());
    for (Running &running : devices) {
        const QList<WireRecord> records = running.device->log().recordsFrom(running.printed);
        running.printed += int(records.size());
        for (const WireRecord &record : records) {
            const double seconds = std::chrono::duration<double>(record.received - started).count();
            out << QStringLiteral("%1 COM%2 %3 %4 > %5 < %6")
                       .arg(seconds, 9, 'f', 3)
                       .arg(running.plan.port)
                       .arg(modeName(record.mode), -8)
                       .arg(record.request, -12)
                       .arg(hex(record.bytes), hex(record.reply));
            if (!record.fault.isEmpty())
                out << " [" << record.fault << ']';
            out << Qt::endl;
        }
    }
}
