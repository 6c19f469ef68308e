#include "CliOptions.h"
#include "ExitCode.h"
#include "JobCommand.h"
#include "ListCommand.h"
#include "PortNameMap.h"
#include "ResultOutput.h"
#include "SignalWatcher.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSettings>

#include <cstdio>

int main(int argc, char *argv[])
{
    SignalWatcher::ignoreBrokenPipes();
    QCoreApplication app(argc, argv);
    // The libraries' trace lines are for developers; the output here is for people and scripts.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
    const CliOptions options = CliOptions::parse(QCoreApplication::arguments());
    if (options.exitNow) {
        std::fputs(qPrintable(options.exitText), *options.exitNow == ExitSuccess ? stdout : stderr);
        if (options.json)
            std::fputs(ResultOutput::errorJson(*options.exitNow, {options.problem}).constData(),
                       stdout);
        return *options.exitNow;
    }
    QSettings settings(options.settingsFile, QSettings::IniFormat);
    PortNameMap::instance().loadSettings(settings);
    return options.command == CliOptions::List ? ListCommand::run(options)
                                               : JobCommand::run(options);
}
