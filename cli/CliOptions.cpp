#include "CliOptions.h"

#include "Calibration.h"
#include "ExitCode.h"
#include "JobLog.h"
#include "JobOrder.h"
#include "Translations.h"
#include "ZelkorVersion.h"

#include <QCommandLineParser>

namespace {

constexpr double MinimumVolts = Calibration::minimumVolts;
constexpr double MaximumVolts = Calibration::maximumVolts;

const QString DefaultSettingsFile = QStringLiteral("settings.ini");

const char CommonOptions[] = QT_TRANSLATE_NOOP(
    "CliOptions",
    "  --settings FILE     settings file with the [Ports] map (default settings.ini)\n"
    "  --user-config       use the window's folder for settings.ini and the job log:\n"
    "                      $XDG_CONFIG_HOME/zelkor, normally ~/.config/zelkor\n"
    "  --language NAME     en or ru; by default the user's, English where it is neither\n"
    "  -v, --verbose       the program log's lines on standard error\n"
    "  -q, --quiet         no progress, only results and errors\n"
    "  -h, --help          help; after a command, that command's help\n"
    "  -V, --version       the version\n");

const char GeneralHelp[] = QT_TRANSLATE_NOOP(
    "CliOptions",
    "Usage: zelkor-cli [options] COMMAND [options] [PORT...]\n"
    "Updates and calibrates measuring devices on serial ports without the window.\n\n"
    "Commands:\n"
    "  list        list the devices found by one scan\n"
    "  update      write a firmware file into devices, optionally calibrating them after\n"
    "  calibrate   calibrate devices against an external supply voltage\n\n"
    "'zelkor-cli COMMAND --help' tells more about each. Results go to standard output,\n"
    "progress and messages to standard error.\n\nOptions:\n");

const char ExitStatus[] = QT_TRANSLATE_NOOP(
    "CliOptions",
    "\nExit status: 0 every job succeeded, 1 a job failed, 2 usage error, bad firmware file\n"
    "or unknown port, 3 a port can't be opened, 130 interrupted.\n");

const char ListHelp[] = QT_TRANSLATE_NOOP(
    "CliOptions",
    "Usage: zelkor-cli list [--json] [options]\n"
    "Lists the devices that one scan of every port finds: a header row, then port, device\n"
    "path, serial number, description, firmware version and status, separated by tabs.\n\n"
    "  --json              print JSON instead: every device, and every port that could not\n"
    "                      be asked, with locale-free values\n");

const char UpdateHelp[] = QT_TRANSLATE_NOOP(
    "CliOptions",
    "Usage: zelkor-cli update --file FILE [--calibrate VOLTS] [options] PORT...\n"
    "Writes the firmware file into the device on each PORT, all at once, and checks that it\n"
    "runs. PORT is COM5, \\\\.\\COM5 (any case) or a device path.\n\n"
    "  --file FILE         the firmware file (.cod)\n"
    "  --calibrate VOLTS   calibrate after the update, at this external voltage (3 to 40)\n"
    "  --retries N         repeats while the device still asks for firmware (default 3)\n"
    "  --job-log FILE      job log to append to (default zelkor-jobs.csv)\n"
    "  --dry-run           check the ports and the file, touch no device\n"
    "  --json              print the results as JSON\n");

const char CalibrateHelp[] = QT_TRANSLATE_NOOP(
    "CliOptions",
    "Usage: zelkor-cli calibrate --voltage VOLTS [options] PORT...\n"
    "Calibrates the device on each PORT against the external supply voltage, all at once.\n"
    "PORT is COM5, \\\\.\\COM5 (any case) or a device path.\n\n"
    "  --voltage VOLTS     the external supply voltage, 3 to 40\n"
    "  --job-log FILE      job log to append to (default zelkor-jobs.csv)\n"
    "  --dry-run           check the ports, touch no device\n"
    "  --json              print the results as JSON\n");

const QStringList CommandWords {QStringLiteral("list"), QStringLiteral("update"),
                                QStringLiteral("calibrate")};

QString helpText(const QString &command)
{
    const char *const commandHelp[] = {ListHelp, UpdateHelp, CalibrateHelp};
    const qsizetype index = CommandWords.indexOf(command);
    const QString head = CliOptions::tr(index < 0 ? GeneralHelp : commandHelp[index]);
    return head + (index < 0 ? QString() : CliOptions::tr("\nCommon options:\n"))
        + CliOptions::tr(CommonOptions) + CliOptions::tr(ExitStatus);
}

// Keeps the language, so that a later parse can tell the error in it.
CliOptions usageError(CliOptions options, const QString &text)
{
    options.exitNow = ExitUsage;
    options.problem = text;
    options.exitText = QStringLiteral("zelkor-cli: %1\n%2\n")
                           .arg(text, CliOptions::tr("Try 'zelkor-cli --help'."));
    return options;
}

// Numbers are written with a point whatever the locale: a comma is named, not guessed at.
std::optional<double> number(const QString &text, QString *problem)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (ok)
        return value;
    QString pointed = text;
    pointed.replace(QLatin1Char(','), QLatin1Char('.'));
    pointed.toDouble(&ok);
    *problem = ok && pointed != text
        ? CliOptions::tr("%1 is not a number; write %2").arg(text, pointed)
        : CliOptions::tr("%1 is not a number").arg(text);
    return std::nullopt;
}

// The options of the commands, besides help and version.
struct KnownOptions
{
    QCommandLineOption json {QStringLiteral("json"), QString()};
    QCommandLineOption file {QStringLiteral("file"), QString(), QStringLiteral("FILE")};
    QCommandLineOption calibrate {QStringLiteral("calibrate"), QString(), QStringLiteral("VOLTS")};
    QCommandLineOption voltage {QStringLiteral("voltage"), QString(), QStringLiteral("VOLTS")};
    QCommandLineOption retries {QStringLiteral("retries"), QString(), QStringLiteral("N"),
                                QString::number(JobOrder::DefaultRepeats)};
    QCommandLineOption settings {QStringLiteral("settings"), QString(), QStringLiteral("FILE"),
                                 DefaultSettingsFile};
    QCommandLineOption userConfig {QStringLiteral("user-config"), QString()};
    QCommandLineOption language {QStringLiteral("language"), QString(), QStringLiteral("NAME")};
    QCommandLineOption jobLog {QStringLiteral("job-log"), QString(), QStringLiteral("FILE"),
                               QString::fromLatin1(JobLog::DefaultFileName)};
    QCommandLineOption dryRun {QStringLiteral("dry-run"), QString()};
    QCommandLineOption verbose {{QStringLiteral("v"), QStringLiteral("verbose")}, QString()};
    QCommandLineOption quiet {{QStringLiteral("q"), QStringLiteral("quiet")}, QString()};
    QCommandLineOption help {{QStringLiteral("h"), QStringLiteral("help")}, QString()};
    QCommandLineOption version {{QStringLiteral("V"), QStringLiteral("version")}, QString()};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({json, file, calibrate, voltage, retries, settings, userConfig, language,
                           jobLog, dryRun, verbose, quiet, help, version});
    }

    // The name of an option set for a command it does not belong to; empty when every option
    // set belongs.
    QString misplaced(const QCommandLineParser &parser, CliOptions::Command command) const
    {
        using C = CliOptions::Command;
        const QList<std::pair<QCommandLineOption, QList<C>>> owners {
            {file, {C::Update}},
            {calibrate, {C::Update}},
            {retries, {C::Update}},
            {voltage, {C::Calibrate}},
            {jobLog, {C::Update, C::Calibrate}},
            {dryRun, {C::Update, C::Calibrate}}};
        for (const auto &[option, commands] : owners) {
            if (parser.isSet(option) && !commands.contains(command))
                return option.names().first();
        }
        return QString();
    }
};

CliOptions endsAtOnce(CliOptions options, const QString &text)
{
    options.exitNow = ExitSuccess;
    options.exitText = text;
    return options;
}

// The values of an update: the firmware file and the repeat count.
CliOptions updateValues(const QCommandLineParser &parser, const KnownOptions &known,
                        CliOptions options)
{
    if (!parser.isSet(known.file))
        return usageError(options, CliOptions::tr("'update' needs --file FILE"));
    options.firmwareFile = parser.value(known.file);
    bool ok = false;
    options.repeats = parser.value(known.retries).toInt(&ok);
    if (!ok || options.repeats < 0)
        return usageError(options, CliOptions::tr("--retries takes a whole number from 0 up"));
    return options;
}

// The voltage of a calibration, or of the one after an update.
CliOptions voltageValue(const QCommandLineParser &parser, const KnownOptions &known,
                        CliOptions options)
{
    const QCommandLineOption &option =
        options.command == CliOptions::Update ? known.calibrate : known.voltage;
    if (options.command == CliOptions::Calibrate && !parser.isSet(option))
        return usageError(options, CliOptions::tr("'calibrate' needs --voltage VOLTS"));
    if (!parser.isSet(option))
        return options;
    QString problem;
    options.voltage = number(parser.value(option), &problem);
    if (!options.voltage)
        return usageError(options, QStringLiteral("--%1: %2").arg(option.names().first(), problem));
    // "nan" reads as a number and fails every comparison: only a value inside the range passes.
    if (!(*options.voltage >= MinimumVolts && *options.voltage <= MaximumVolts)) {
        options.voltage.reset();
        return usageError(options,
                          CliOptions::tr("the voltage must lie between %1 and %2 V")
                              .arg(MinimumVolts, 0, 'f', 2)
                              .arg(MaximumVolts, 0, 'f', 2));
    }
    return options;
}

} // namespace

CliOptions CliOptions::parse(const QStringList &arguments)
{
    CliOptions options = parseArguments(arguments);
    // A script that asked for JSON gets it also when its command line is wrong.
    if (options.exitNow && *options.exitNow != ExitSuccess)
        options.json = arguments.contains(QStringLiteral("--json"));
    return options;
}

CliOptions CliOptions::parseArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    const KnownOptions known;
    known.addTo(parser);
    if (!parser.parse(arguments))
        return usageError({}, parser.errorText());
    CliOptions options;
    options.language = parser.value(known.language);
    if (parser.isSet(known.language) && !Translations::languages().contains(options.language))
        return usageError(
            {}, tr("--language takes %1").arg(Translations::languages().join(tr(" or "))));
    QStringList positional = parser.positionalArguments();
    const QString word = positional.isEmpty() ? QString() : positional.takeFirst();
    if (parser.isSet(known.help))
        return endsAtOnce(options, helpText(word));
    if (parser.isSet(known.version))
        return endsAtOnce(options,
                          QStringLiteral("zelkor-cli %1\n").arg(QLatin1String(ZelkorVersion)));

    if (!CommandWords.contains(word))
        return usageError(options, tr("expected a command: list, update or calibrate"));
    options.command = Command(CommandWords.indexOf(word));
    const QString misplaced = known.misplaced(parser, options.command);
    if (!misplaced.isEmpty())
        return usageError(options, tr("--%1 does not belong to '%2'").arg(misplaced, word));
    if (options.command == List && !positional.isEmpty())
        return usageError(options, tr("'list' takes no ports"));
    if (options.command != List && positional.isEmpty())
        return usageError(options, tr("no PORT given"));

    options.json = parser.isSet(known.json);
    options.verbose = parser.isSet(known.verbose);
    options.quiet = parser.isSet(known.quiet);
    options.dryRun = parser.isSet(known.dryRun);
    options.userConfig = parser.isSet(known.userConfig);
    options.settingsFile = parser.value(known.settings);
    options.jobLogFile = parser.value(known.jobLog);
    options.ports = positional;
    if (options.command == Update)
        options = updateValues(parser, known, options);
    return options.exitNow ? options : voltageValue(parser, known, options);
}
