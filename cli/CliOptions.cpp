#include "CliOptions.h"

#include "Calibration.h"
#include "ExitCode.h"
#include "JobLog.h"
#include "JobOrder.h"
#include "ZelkorVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

constexpr double MinimumVolts = Calibration::minimumVolts;
constexpr double MaximumVolts = Calibration::maximumVolts;

const QString DefaultSettingsFile = QStringLiteral("settings.ini");

const char Description[] =
    "Updates and calibrates measuring devices on serial ports without the window.\n\n"
    "Commands:\n"
    "  list [--json]                      list the devices found by one scan\n"
    "  update --file FILE [--calibrate VOLTS] [--retries N] PORT...\n"
    "  calibrate --voltage VOLTS PORT...\n\n"
    "PORT is COM5, \\\\.\\COM5 or a device path. Exit status: 0 every job succeeded, 1 a job\n"
    "failed, 2 usage error, bad firmware file or unknown port, 3 a port can't be opened,\n"
    "130 interrupted.";

CliOptions usageError(const QString &text)
{
    CliOptions options;
    options.exitNow = ExitUsage;
    options.problem = text;
    options.exitText = QStringLiteral("zelkor-cli: %1\nTry 'zelkor-cli --help'.\n").arg(text);
    return options;
}

// "nan" reads as a number and fails every comparison: only a value inside the range passes.
std::optional<double> volts(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !(value >= MinimumVolts && value <= MaximumVolts))
        return std::nullopt;
    return value;
}

// The options of the commands, besides help and version.
struct KnownOptions
{
    QCommandLineOption json {QStringLiteral("json"), QStringLiteral("Print JSON.")};
    QCommandLineOption file {QStringLiteral("file"), QStringLiteral("Firmware file."),
                             QStringLiteral("FILE")};
    QCommandLineOption calibrate {QStringLiteral("calibrate"),
                                  QStringLiteral("Calibrate after updating, at VOLTS."),
                                  QStringLiteral("VOLTS")};
    QCommandLineOption voltage {QStringLiteral("voltage"),
                                QStringLiteral("External supply voltage, 3 to 40."),
                                QStringLiteral("VOLTS")};
    QCommandLineOption retries {
        QStringLiteral("retries"),
        QStringLiteral("Repeats while the device still asks for firmware (default %1).")
            .arg(JobOrder::DefaultRepeats),
        QStringLiteral("N"), QString::number(JobOrder::DefaultRepeats)};
    QCommandLineOption settings {QStringLiteral("settings"),
                                 QStringLiteral("Settings file with the [Ports] map."),
                                 QStringLiteral("FILE"), DefaultSettingsFile};
    QCommandLineOption jobLog {QStringLiteral("job-log"), QStringLiteral("Job log file."),
                               QStringLiteral("FILE"),
                               QString::fromLatin1(JobLog::DefaultFileName)};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({json, file, calibrate, voltage, retries, settings, jobLog});
        parser.addPositionalArgument(QStringLiteral("command"),
                                     QStringLiteral("list, update or calibrate"));
        parser.addPositionalArgument(QStringLiteral("PORT"), QStringLiteral("Ports of the job."),
                                     QStringLiteral("[PORT...]"));
    }

    // The name of an option set for a command it does not belong to; empty when every option
    // set belongs.
    QString misplaced(const QCommandLineParser &parser, CliOptions::Command command) const
    {
        const QList<std::pair<QCommandLineOption, CliOptions::Command>> owners {
            {file, CliOptions::Update},
            {calibrate, CliOptions::Update},
            {retries, CliOptions::Update},
            {voltage, CliOptions::Calibrate}};
        for (const auto &[option, owner] : owners) {
            if (parser.isSet(option) && owner != command)
                return option.names().first();
        }
        return QString();
    }
};

const QStringList CommandWords {QStringLiteral("list"), QStringLiteral("update"),
                                QStringLiteral("calibrate")};

CliOptions endsAtOnce(const QString &text)
{
    CliOptions options;
    options.exitNow = ExitSuccess;
    options.exitText = text;
    return options;
}

// The values of an update: the firmware file and the repeat count.
CliOptions updateValues(const QCommandLineParser &parser, const KnownOptions &known,
                        CliOptions options)
{
    if (!parser.isSet(known.file))
        return usageError(QStringLiteral("'update' needs --file FILE"));
    options.firmwareFile = parser.value(known.file);
    bool ok = false;
    options.repeats = parser.value(known.retries).toInt(&ok);
    if (!ok || options.repeats < 0)
        return usageError(QStringLiteral("--retries takes a whole number from 0 up"));
    return options;
}

// The voltage of a calibration, or of the one after an update.
CliOptions voltageValue(const QCommandLineParser &parser, const KnownOptions &known,
                        CliOptions options)
{
    const QCommandLineOption &option =
        options.command == CliOptions::Update ? known.calibrate : known.voltage;
    if (options.command == CliOptions::Calibrate && !parser.isSet(option))
        return usageError(QStringLiteral("'calibrate' needs --voltage VOLTS"));
    if (!parser.isSet(option))
        return options;
    options.voltage = volts(parser.value(option));
    if (!options.voltage)
        return usageError(QStringLiteral("the voltage must lie between %1 and %2 V")
                              .arg(MinimumVolts, 0, 'f', 2)
                              .arg(MaximumVolts, 0, 'f', 2));
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
    parser.setApplicationDescription(QString::fromLatin1(Description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const KnownOptions known;
    known.addTo(parser);
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help))
        return endsAtOnce(parser.helpText());
    if (parser.isSet(version))
        return endsAtOnce(QStringLiteral("zelkor-cli %1\n").arg(QLatin1String(ZelkorVersion)));

    QStringList positional = parser.positionalArguments();
    const QString word = positional.isEmpty() ? QString() : positional.takeFirst();
    if (!CommandWords.contains(word))
        return usageError(QStringLiteral("expected a command: list, update or calibrate"));
    CliOptions options;
    options.command = Command(CommandWords.indexOf(word));
    const QString misplaced = known.misplaced(parser, options.command);
    if (!misplaced.isEmpty())
        return usageError(QStringLiteral("--%1 does not belong to '%2'").arg(misplaced, word));
    if (options.command == List && (parser.isSet(known.jobLog) || !positional.isEmpty()))
        return usageError(QStringLiteral("'list' takes no ports and no job log"));
    if (options.command != List && positional.isEmpty())
        return usageError(QStringLiteral("no PORT given"));

    options.json = parser.isSet(known.json);
    options.settingsFile = parser.value(known.settings);
    options.jobLogFile = parser.value(known.jobLog);
    options.ports = positional;
    if (options.command == Update)
        options = updateValues(parser, known, options);
    return options.exitNow ? options : voltageValue(parser, known, options);
}
