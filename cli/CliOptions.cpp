#include "CliOptions.h"

#include "ExitCode.h"
#include "JobLog.h"
#include "UpdateThread.h"
#include "ZelkorVersion.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// The voltages the window's calibration field accepts.
constexpr double MinimumVolts = 3.0;
constexpr double MaximumVolts = 40.0;

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
    options.exitText = QStringLiteral("zelkor-cli: %1\nTry 'zelkor-cli --help'.\n").arg(text);
    return options;
}

std::optional<double> volts(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || value < MinimumVolts || value > MaximumVolts)
        return std::nullopt;
    return value;
}

} // namespace

CliOptions CliOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    const QCommandLineOption file(QStringLiteral("file"), QStringLiteral("Firmware file."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption calibrate(QStringLiteral("calibrate"),
                                       QStringLiteral("Calibrate after updating, at VOLTS."),
                                       QStringLiteral("VOLTS"));
    const QCommandLineOption voltage(QStringLiteral("voltage"),
                                     QStringLiteral("External supply voltage, 3 to 40."),
                                     QStringLiteral("VOLTS"));
    const QCommandLineOption retries(
        QStringLiteral("retries"),
        QStringLiteral("Repeats while the device still asks for firmware (default %1).")
            .arg(UpdateThread::DefaultRepeats),
        QStringLiteral("N"), QString::number(UpdateThread::DefaultRepeats));
    const QCommandLineOption settings(QStringLiteral("settings"),
                                      QStringLiteral("Settings file with the [Ports] map."),
                                      QStringLiteral("FILE"), DefaultSettingsFile);
    const QCommandLineOption jobLog(QStringLiteral("job-log"), QStringLiteral("Job log file."),
                                    QStringLiteral("FILE"),
                                    QString::fromLatin1(JobLog::DefaultFileName));
    parser.addOptions({json, file, calibrate, voltage, retries, settings, jobLog});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("list, update or calibrate"));
    parser.addPositionalArgument(QStringLiteral("PORT"), QStringLiteral("Ports of the job."),
                                 QStringLiteral("[PORT...]"));

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    CliOptions options;
    if (parser.isSet(help) || parser.isSet(version)) {
        options.exitNow = ExitSuccess;
        options.exitText = parser.isSet(help)
            ? parser.helpText()
            : QStringLiteral("zelkor-cli %1\n").arg(QString::fromLatin1(ZelkorVersion));
        return options;
    }

    QStringList positional = parser.positionalArguments();
    const QString command = positional.isEmpty() ? QString() : positional.takeFirst();
    const QStringList commands {QStringLiteral("list"), QStringLiteral("update"),
                                QStringLiteral("calibrate")};
    if (!commands.contains(command))
        return usageError(QStringLiteral("expected a command: list, update or calibrate"));
    options.command = Command(commands.indexOf(command));

    // Each option belongs to the commands that use it.
    const QList<std::pair<QCommandLineOption, Command>> owners {
        {file, Update}, {calibrate, Update}, {retries, Update}, {voltage, Calibrate}};
    for (const auto &[option, owner] : owners) {
        if (parser.isSet(option) && owner != options.command)
            return usageError(QStringLiteral("--%1 does not belong to '%2'")
                                  .arg(option.names().first(), command));
    }
    if (options.command == List && (parser.isSet(jobLog) || !positional.isEmpty()))
        return usageError(QStringLiteral("'list' takes no ports and no job log"));
    if (options.command != List && positional.isEmpty())
        return usageError(QStringLiteral("no PORT given"));

    options.json = parser.isSet(json);
    options.settingsFile = parser.value(settings);
    options.jobLogFile = parser.value(jobLog);
    options.ports = positional;
    if (options.command == Update) {
        if (!parser.isSet(file))
            return usageError(QStringLiteral("'update' needs --file FILE"));
        options.firmwareFile = parser.value(file);
        bool ok = false;
        options.repeats = parser.value(retries).toInt(&ok);
        if (!ok || options.repeats < 0)
            return usageError(QStringLiteral("--retries takes a whole number from 0 up"));
    }
    const QCommandLineOption &voltsOption = options.command == Update ? calibrate : voltage;
    if (options.command == Calibrate && !parser.isSet(voltage))
        return usageError(QStringLiteral("'calibrate' needs --voltage VOLTS"));
    if (parser.isSet(voltsOption)) {
        options.voltage = volts(parser.value(voltsOption));
        if (!options.voltage)
            return usageError(QStringLiteral("the voltage must lie between %1 and %2 V")
                                  .arg(MinimumVolts, 0, 'f', 2)
                                  .arg(MaximumVolts, 0, 'f', 2));
    }
    return options;
}
