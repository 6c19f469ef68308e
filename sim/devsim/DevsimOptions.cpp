#include "DevsimOptions.h"

#include <QCommandLineParser>
#include <QHash>

#include <functional>
#include <limits>

namespace {

constexpr int FirstPort = 1;
constexpr int LastPort = 255;

const QStringList ProfileNames = {"ready", "legacy", "loader", "isp", "silent"};
const QStringList RequestNames = {
    "geti",        "gser",       "g000",       "gfwv", "g001",         "rdan",  "1234",
    "calb",        "init",       "scal",       "s002", "save",         "RESET", "CONNECT",
    "NEW SECTION", "WRITE DATA", "DISCONNECT", "1g",   "loader-probe", "?",     "*"};

std::optional<DeviceProfile> profileNamed(const QString &name)
{
    if (name == QLatin1String("ready"))
        return DeviceProfile::ready();
    if (name == QLatin1String("legacy"))
        return DeviceProfile::legacy();
    if (name == QLatin1String("loader"))
        return DeviceProfile::loader();
    if (name == QLatin1String("isp"))
        return DeviceProfile::isp();
    if (name == QLatin1String("silent"))
        return DeviceProfile::silent();
    return std::nullopt;
}

// "COM5" -> 5; 0 for anything else.
int portNumber(const QString &text)
{
    if (!text.startsWith(QLatin1String("COM")) || text.mid(3).startsWith(QLatin1Char('0')))
        return 0;
    bool ok = false;
    const int number = text.mid(3).toInt(&ok);
    return ok && number >= FirstPort && number <= LastPort ? number : 0;
}

// "NEW_SECTION", "new-section" and "NEW SECTION" all name the same request.
QString requestNamed(const QString &text)
{
    const auto squeezed = [](QString name) {
        return name.remove(QLatin1Char(' '))
            .remove(QLatin1Char('_'))
            .remove(QLatin1Char('-'))
            .toLower();
    };
    for (const QString &name : RequestNames) {
        if (squeezed(name) == squeezed(text))
            return name;
    }
    return QString();
}

std::optional<long long> number(const QString &text, long long lowest, long long highest)
{
    bool ok = false;
    const long long value = text.toLongLong(&ok, 0);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

// Splits "head,key=value,flag" into the head and its options.
QStringList items(const QString &text)
{
    return text.split(QLatin1Char(','));
}

// Each setter stores the value and answers an empty text, or answers what it needs instead.
using ProfileSetter = std::function<QString(DeviceProfile &, const QString &key, const QString &)>;

ProfileSetter textField(QByteArray DeviceProfile::*field, int width)
{
    return [field, width](DeviceProfile &profile, const QString &, const QString &value) {
        if (value.size() > width || value.toLatin1().size() != value.size())
            return QStringLiteral("at most %1 Latin-1 characters").arg(width);
        profile.*field = value.toLatin1();
        return QString();
    };
}

ProfileSetter flag(bool DeviceProfile::*field)
{
    return [field](DeviceProfile &profile, const QString &, const QString &value) {
        if (!value.isEmpty())
            return QStringLiteral("no value");
        profile.*field = true;
        return QString();
    };
}

QString setSerial(DeviceProfile &profile, const QString &, const QString &value)
{
    const auto serial = number(value, 0, std::numeric_limits<quint32>::max());
    if (!serial)
        return QStringLiteral("a number from 0 to 4294967295");
    profile.serialNumber = quint32(*serial);
    return QString();
}

QString setFirmware(DeviceProfile &profile, const QString &, const QString &value)
{
    const auto version = FirmwareVersion::fromString(value);
    if (!version)
        return QStringLiteral("major.minor.build, e.g. 1.2.345");
    profile.firmware = *version;
    return QString();
}

QString setGetiLength(DeviceProfile &profile, const QString &, const QString &value)
{
    if (value != QLatin1String("36") && value != QLatin1String("20") && value != QLatin1String("0"))
        return QStringLiteral("36, 20 or 0");
    profile.getiLength = value.toInt();
    return QString();
}

QString setProbeAnswer(DeviceProfile &profile, const QString &, const QString &value)
{
    if (value != QLatin1String("errc") && value != QLatin1String("yy"))
        return QStringLiteral("errc or yy");
    profile.probeAnswer = value == QLatin1String("yy") ? DeviceProfile::ProbeAnswer::Yes
                                                       : DeviceProfile::ProbeAnswer::Errc;
    return QString();
}

QString setIgnored(DeviceProfile &profile, const QString &, const QString &value)
{
    for (const QString &word : value.split(QLatin1Char('+'))) {
        if (word.size() != 4)
            return QStringLiteral("four-letter command words joined by '+'");
        profile.unanswered.insert(word.toLatin1());
    }
    return QString();
}

QString setBootDelay(DeviceProfile &profile, const QString &, const QString &value)
{
    const auto delay = number(value, 0, 600000);
    if (!delay)
        return QStringLiteral("milliseconds from 0 to 600000");
    profile.bootDelayMs = int(*delay);
    return QString();
}

// "m0" to "m23" -> 0 to 23, in decimal only: the index is read once, here, for the check and
// for the store alike.
std::optional<int> measurementIndex(const QString &key)
{
    bool ok = false;
    const int index = key.startsWith(QLatin1Char('m')) ? key.mid(1).toInt(&ok) : -1;
    return ok && index >= 0 && index < DeviceProfile::MeasurementWords ? std::optional(index)
                                                                       : std::nullopt;
}

// Also reached by the bare key "m", which names no word.
QString setMeasurement(DeviceProfile &profile, const QString &key, const QString &value)
{
    const std::optional<int> index = measurementIndex(key);
    if (!index)
        return QStringLiteral("an index: m0 to m23");
    const auto word = number(value, -32768, 32767);
    if (!word)
        return QStringLiteral("a number from -32768 to 32767");
    profile.measurements[size_t(*index)] = qint16(*word);
    return QString();
}

// Keyed by option name; "m" stands for m0 to m23.
const QHash<QString, ProfileSetter> &profileSetters()
{
    static const QHash<QString, ProfileSetter> setters = {
        {"serial", setSerial},
        {"fw", setFirmware},
        {"type", textField(&DeviceProfile::type, 4)},
        {"model", textField(&DeviceProfile::model, 2)},
        {"desc", textField(&DeviceProfile::description, 8)},
        {"geti", setGetiLength},
        {"probe", setProbeAnswer},
        {"ignore", setIgnored},
        {"init-first", flag(&DeviceProfile::calbNeedsInit)},
        {"intact", flag(&DeviceProfile::firmwareIntact)},
        {"boot", setBootDelay},
        {"m", setMeasurement},
    };
    return setters;
}

} // namespace

bool DevsimOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption helpOption({"h", "help"}, "");
    const QCommandLineOption versionOption({"v", "version"}, "");
    const QCommandLineOption deviceOption("device", "", "device");
    const QCommandLineOption faultOption("fault", "", "fault");
    const QCommandLineOption settingsOption("settings", "", "file");
    const QCommandLineOption paceOption("pace", "");
    const QCommandLineOption latencyOption("latency", "", "ms");
    const QCommandLineOption logOption("log", "");
    parser.addOptions({helpOption, versionOption, deviceOption, faultOption, settingsOption,
                       paceOption, latencyOption, logOption});
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    help = parser.isSet(helpOption);
    version = parser.isSet(versionOption);
    if (help || version)
        return true;
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    for (const QString &text : parser.values(deviceOption)) {
        if (!addDevice(text))
            return false;
    }
    if (devices.isEmpty())
        return fail(QStringLiteral("no --device given (see --help)"));
    for (const QString &text : parser.values(faultOption)) {
        if (!addFault(text))
            return false;
    }

    std::optional<long long> latency = 0;
    if (parser.isSet(latencyOption)) {
        latency = number(parser.value(latencyOption), 0, 60000);
        if (!latency)
            return fail(QStringLiteral("bad --latency '%1': milliseconds from 0 to 60000")
                            .arg(parser.value(latencyOption)));
    }
    for (PlannedDevice &device : devices) {
        device.profile.pacing = parser.isSet(paceOption);
        device.profile.replyLatencyMs = int(*latency);
    }
    if (parser.isSet(settingsOption))
        settingsPath = parser.value(settingsOption);
    if (settingsPath.isEmpty())
        return fail(QStringLiteral("empty --settings file name"));
    logTraffic = parser.isSet(logOption);
    return true;
}

bool DevsimOptions::fail(const QString &message)
{
    error = message;
    return false;
}

bool DevsimOptions::addDevice(const QString &text)
{
    const QStringList parts = items(text);
    const QString head = parts.first();
    const int colon = int(head.indexOf(QLatin1Char(':')));
    const QString profileName = head.left(colon);
    const int port = colon < 0 ? 0 : portNumber(head.mid(colon + 1));
    const std::optional<DeviceProfile> profile = profileNamed(profileName);
    if (!profile)
        return fail(QStringLiteral("bad --device '%1': unknown profile '%2' (%3)")
                        .arg(text, profileName, ProfileNames.join(QStringLiteral(", "))));
    if (!port)
        return fail(QStringLiteral("bad --device '%1': expected <profile>:COM<1-255>").arg(text));
    if (deviceOn(port))
        return fail(QStringLiteral("bad --device '%1': COM%2 is taken twice").arg(text).arg(port));

    PlannedDevice device {port, profileName, *profile, {}};
    for (const QString &item : parts.mid(1)) {
        const int equals = int(item.indexOf(QLatin1Char('=')));
        const QString key = equals < 0 ? item : item.left(equals);
        const QString value = equals < 0 ? QString() : item.mid(equals + 1);
        if (!setProfileKey(device.profile, key, value))
            return fail(QStringLiteral("bad --device '%1': %2").arg(text, error));
    }
    devices.append(device);
    return true;
}

bool DevsimOptions::setProfileKey(DeviceProfile &profile, const QString &key, const QString &value)
{
    const auto setter =
        profileSetters().constFind(measurementIndex(key) ? QStringLiteral("m") : key);
    if (setter == profileSetters().constEnd())
        return fail(QStringLiteral("unknown key '%1'").arg(key));
    const QString expected = (*setter)(profile, key, value);
    return expected.isEmpty() || fail(QStringLiteral("'%1' needs %2").arg(key, expected));
}

bool DevsimOptions::addFault(const QString &text)
{
    const QStringList parts = items(text);
    const QStringList head = parts.first().split(QLatin1Char(':'));
    if (head.size() != 3)
        return fail(QStringLiteral("bad --fault '%1': expected COM<n>:<request>:<kind>").arg(text));
    PlannedDevice *device = deviceOn(portNumber(head[0]));
    if (!device)
        return fail(QStringLiteral("bad --fault '%1': no --device on '%2'").arg(text, head[0]));
    const QString request = requestNamed(head[1]);
    if (request.isEmpty())
        return fail(QStringLiteral("bad --fault '%1': unknown request '%2'").arg(text, head[1]));
    const std::optional<DeviceFault::Kind> kind = DeviceFault::kindFromName(head[2]);
    if (!kind)
        return fail(QStringLiteral("bad --fault '%1': unknown kind '%2'").arg(text, head[2]));
    DeviceFault fault = DeviceFault::on(request, *kind);
    for (const QString &item : parts.mid(1)) {
        const int equals = int(item.indexOf(QLatin1Char('=')));
        if (equals < 0 || !setFaultKey(fault, item.left(equals), item.mid(equals + 1)))
            return fail(QStringLiteral("bad --fault '%1': %2")
                            .arg(text, equals < 0 ? QStringLiteral("expected key=value") : error));
    }
    device->faults.append(fault);
    return true;
}

bool DevsimOptions::setFaultKey(DeviceFault &fault, const QString &key, const QString &value)
{
    if (key == QLatin1String("data")) {
        fault.payload = QByteArray::fromHex(value.toLatin1());
        if (value.isEmpty() || fault.payload.toHex() != value.toLower().toLatin1())
            return fail(QStringLiteral("'data' needs hexadecimal bytes, e.g. 3412"));
        return true;
    }
    const std::optional<long long> parsed = number(value, -1, 1000000);
    int *target = key == QLatin1String("skip") ? &fault.skip
        : key == QLatin1String("times")        ? &fault.times
        : key == QLatin1String("bytes")        ? &fault.bytes
        : key == QLatin1String("delay")        ? &fault.delayMs
        : key == QLatin1String("value")        ? &fault.value
                                               : nullptr;
    if (!target)
        return fail(QStringLiteral("unknown key '%1'").arg(key));
    if (!parsed)
        return fail(QStringLiteral("'%1' needs a number from -1 to 1000000").arg(key));
    *target = int(*parsed);
    return true;
}

PlannedDevice *DevsimOptions::deviceOn(int port)
{
    for (PlannedDevice &device : devices) {
        if (device.port == port)
            return &device;
    }
    return nullptr;
}

QString DevsimOptions::helpText()
{
    return QStringLiteral(R"(Usage: zelkor-devsim --device <profile>:COM<n>[,key=value...] [options]

Simulates measuring devices on pseudo-terminals, for working with Zelkor without hardware.
Each device gets a pseudo-terminal; its path is written as COM<n> into the "Ports" group of
the settings file, where Zelkor finds it. Ctrl-C (or SIGTERM) stops the devices and removes
those entries again.

Options:
  --device <device>   a device (repeatable), e.g. --device ready:COM5,serial=42,fw=2.0.1
  --fault <fault>     a fault of a device (repeatable), e.g. --fault COM5:gser:no-reply
  --settings <file>   settings file to write the ports into (default: settings.ini)
  --pace              run every line at 115200 bit/s, 11 bits a byte, in both directions
  --latency <ms>      pause before every reply (default 0)
  --log               print every request and reply
  -h, --help          this text
  -v, --version       the version

Profiles:
  ready    running firmware that answers every command in its newer form: 36-byte "geti",
           "gser", "gfwv", "rdan", "calb", "scal", "save" (and the older forms as well)
  legacy   older firmware: 20-byte "geti", "g000", "g001", "1234", "init" before "calb",
           "s002", "save"; no "gser", "gfwv", "rdan", "scal"
  loader   an empty chip waiting in its serial loader
  isp      a chip in its in-system-programming mode: echoes "?" at one stop bit only
  silent   a port with nothing attached

Device keys:
  serial=<n>          serial number (default 100001)
  fw=<a.b.c>          firmware version (default 1.2.345)
  type=, model=, desc=  "geti" texts of at most 4, 2 and 8 characters (default ZLKR, DL,
                      DL-METER)
  geti=36|20|0        length of the "geti" reply; 0: no "geti"
  probe=errc|yy       answer of running firmware to the loader's "1g" question
  ignore=<w>[+<w>..]  command words the firmware does not answer, e.g. ignore=gser+rdan
  init-first          "calb" is echoed only after "init"
  m<i>=<n>            measurement word i (0-23) of "rdan"; m4 is the external power reading
  intact              (loader) a complete firmware is installed and boots
  boot=<ms>           the loader boots installed firmware by itself after this long without a
                      request (default 1500; 0: only on RESET)

Firmware and loader:
  A RESET frame (00 F0 00 00) switches running firmware to the loader. CONNECT erases the
  firmware; NEW SECTION, WRITE DATA and DISCONNECT write and finish the new image; RESET
  then boots it. An image that never got its DISCONNECT leaves the device in the loader.
  The new firmware reports the version written in its data as "VER:<a.b.c>" (e.g. a data
  line "VER:2.1.7"), or else 0.0.<crc16 of all data bytes written>.
  Loader status replies: 0 accepted, 1 out of order (no CONNECT, no NEW SECTION yet, address
  not 8 bytes), 2 unknown code. A frame with a wrong check value gets the two bytes EC EE.

Faults: COM<n>:<request>:<kind>[,key=value...]
  requests  geti gser g000 gfwv g001 rdan 1234 calb init scal s002 save RESET CONNECT
            NEW_SECTION WRITE_DATA DISCONNECT 1g loader-probe ? *
  kinds     no-reply    the request is ignored (a RESET too: the device stays as it is)
            short       only the first `bytes` bytes of the reply (default: all but one)
            wrong-echo  echo, frame code or probe answer replaced by `data` (default: inverted)
            status      refused: loader status `value` (default 1); firmware answers "errc"
            bad-check   the reply's check value is wrong
            no-check    the reply's check value is zero, as from a device that fills in none
            flip-bit    the lowest bit of reply byte `bytes` (default 0) inverted
            garbage     `data` (or `bytes` scrambled bytes) instead of the reply
            split       the reply in pieces of `bytes` bytes, `delay` ms apart
            late-tail   the last `bytes` bytes of the reply come `delay` ms late (default 500)
            unplug      the port disappears when the request arrives
  keys      skip=<n>    matching requests served normally first (default 0)
            times=<n>   matching requests hit after that (default 1; -1: all)
            bytes=, delay=, value=, data=<hex>  as above

Example:
  zelkor-devsim --device ready:COM5 --device loader:COM6 --device isp:COM7 \
      --fault COM5:RESET:no-reply,times=4 --settings ./settings.ini --log
)");
}
