#ifndef CLIOPTIONS_H
#define CLIOPTIONS_H

#include "JobKind.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

// The command line of zelkor-cli, checked: which command, its ports and its values.
class CliOptions
{
    Q_DECLARE_TR_FUNCTIONS(CliOptions)

public:
    enum Command { List, Update, Calibrate };

    // Parses the arguments (program name first). When the program is to end at once (help,
    // version, a usage error) the text to print and the exit code are set instead.
    static CliOptions parse(const QStringList &arguments);

    std::optional<int> exitNow;
    QString exitText;
    // What was wrong with the command line, for --json.
    QString problem;

    Command command = List;
    bool json = false;
    // The program log's lines on standard error.
    bool verbose = false;
    // No progress: only results and errors.
    bool quiet = false;
    // Everything checked, no device touched.
    bool dryRun = false;
    bool userConfig = false;
    // Empty: the system's.
    QString language;
    QString settingsFile;
    QString jobLogFile;
    QString firmwareFile;
    std::optional<double> voltage;
    int repeats = 0;
    QStringList ports;

    bool updates() const { return command == Update; }
    bool calibrates() const { return command == Calibrate || voltage.has_value(); }
    // The jobs' kind, for update and calibrate.
    JobKind kind() const
    {
        if (!updates())
            return JobKind::Calibrate;
        return calibrates() ? JobKind::UpdateThenCalibrate : JobKind::Update;
    }

private:
    static CliOptions parseArguments(const QStringList &arguments);
};

#endif // CLIOPTIONS_H
