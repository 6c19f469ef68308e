#include "CliOptions.h"
#include "ExitCode.h"
#include "JobCommand.h"
#include "ListCommand.h"
#include "PortNameMap.h"
#include "ResultOutput.h"
#include "SignalWatcher.h"
#include "Translations.h"
#include "UserConfigFolder.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSettings>

#include <cstdio>

namespace {

// The libraries' trace lines are for developers; the output here is for people and scripts.
// --verbose adds the program's own log lines, as the window's log file has them.
void chooseLogLines(bool verbose)
{
    QLoggingCategory::setFilterRules(verbose
                                         ? QStringLiteral("*.debug=false\n*.info=false\n"
                                                          "zelkor.*.info=true\nzelkor.*.debug=true")
                                         : QStringLiteral("*.debug=false\n*.info=false"));
    qSetMessagePattern(QStringLiteral("%{time hh:mm:ss.zzz} %{category}: %{message}"));
}

} // namespace

int main(int argc, char *argv[])
{
    SignalWatcher::ignoreBrokenPipes();
    QCoreApplication app(argc, argv);
    // Parsed before the translation is there, a wrong command line reads the same to a script
    // under every locale; the second parse tells people in their language.
    const CliOptions untranslated = CliOptions::parse(QCoreApplication::arguments());
    // The window's rule: Russian where the user's languages put it before English, else
    // English.
    Translations::install(app, untranslated.language);
    const CliOptions options = CliOptions::parse(QCoreApplication::arguments());
    chooseLogLines(options.verbose);
    if (options.exitNow) {
        std::fputs(qPrintable(options.exitText), *options.exitNow == ExitSuccess ? stdout : stderr);
        if (options.json)
            std::fputs(
                ResultOutput::errorJson(*options.exitNow, {untranslated.problem}).constData(),
                stdout);
        return *options.exitNow;
    }
    if (options.userConfig && !UserConfigFolder::enter())
        return ResultOutput::refuse(options.json, ExitUsage,
                                    {QCoreApplication::translate("main", "can't use the folder %1")
                                         .arg(UserConfigFolder::path())});
    QSettings settings(options.settingsFile, QSettings::IniFormat);
    PortNameMap::instance().loadSettings(settings);
    return options.command == CliOptions::List ? ListCommand::run(options)
                                               : JobCommand::run(options);
}
