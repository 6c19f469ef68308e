#include "CommandLine.h"

#include "DisplaySocket.h"
#include "Translations.h"
#include "UserConfigFolder.h"
#include "ZelkorVersion.h"

#include <QCommandLineParser>

#include <cstdio>

namespace {

constexpr int RuntimeError = 1;
constexpr int UsageError = 2;

const QString Program = QStringLiteral("zelkor");

// Qt's application options; QApplication takes them out of the arguments later.
const QStringList QtValueOptions =
    QStringLiteral("platform platformpluginpath platformtheme plugin qmljsdebugger qwindowgeometry "
                   "geometry qwindowicon qwindowtitle session display style stylesheet")
        .split(QLatin1Char(' '));
const QStringList QtFlagOptions = {"reverse", "widgetcount", "nograb", "dograb"};

} // namespace

bool CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's options are single-dash words: -platform is not -p -l -a ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption helpOption({"h", "help"}, "");
    const QCommandLineOption versionOption({"v", "version"}, "");
    const QCommandLineOption userConfigOption("user-config", "");
    const QCommandLineOption languageOption("language", "", "name");
    const QCommandLineOption verboseOption("verbose", "");
    parser.addOptions({helpOption, versionOption, userConfigOption, languageOption, verboseOption});
    for (const QString &name : QtValueOptions)
        parser.addOption(QCommandLineOption(name, "", "value"));
    for (const QString &name : QtFlagOptions)
        parser.addOption(QCommandLineOption(name, ""));

    if (!parser.parse(arguments))
        return stop(UsageError, parser.errorText());
    if (parser.isSet(helpOption))
        return stop(0, helpText());
    if (parser.isSet(versionOption))
        return stop(0, QStringLiteral("%1 %2\n").arg(Program, QLatin1String(ZelkorVersion)));
    if (!parser.positionalArguments().isEmpty())
        return stop(
            UsageError,
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    chosenLanguage = parser.value(languageOption);
    if (parser.isSet(languageOption) && !Translations::languages().contains(chosenLanguage))
        return stop(UsageError, QStringLiteral("unknown language '%1'; Zelkor speaks %2")
                                    .arg(chosenLanguage,
                                         Translations::languages().join(QLatin1String(", "))));
    QStringList unreached;
    if (!DisplaySocket::reachable(parser.value(QStringLiteral("platform")), &unreached)
        && !parser.isSet(QStringLiteral("display"))) {
        const QString reason = unreached.isEmpty()
            ? QStringLiteral("DISPLAY and WAYLAND_DISPLAY are not set")
            : QStringLiteral("%1 can't be reached").arg(unreached.join(QLatin1String(" and ")));
        return stop(RuntimeError,
                    QStringLiteral("no display to open the window on (%1); start it in a desktop "
                                   "session, or on a virtual display: xvfb-run -a %2 (Debian "
                                   "package xvfb)")
                        .arg(reason, Program));
    }
    userConfig = parser.isSet(userConfigOption);
    verboseLog = parser.isSet(verboseOption);
    return true;
}

bool CommandLine::enterWorkingFolder()
{
    if (!userConfig || UserConfigFolder::enter())
        return true;
    return stop(RuntimeError,
                QStringLiteral("can't use the folder %1").arg(UserConfigFolder::path()));
}

void CommandLine::print() const
{
    if (code == 0) {
        std::fputs(qPrintable(message), stdout);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", qPrintable(Program), qPrintable(message));
}

bool CommandLine::stop(int exitCode, const QString &text)
{
    code = exitCode;
    message = text;
    return false;
}

QString CommandLine::helpText()
{
    return QStringLiteral(
               R"(Zelkor %1: lists the measuring devices on the serial ports, updates their firmware and
calibrates them.

Usage: zelkor [--user-config] [--language <name>] [--verbose] [Qt options]

Without options Zelkor keeps settings.ini (window, firmware file, serial port names), its
log and its job log zelkor-jobs.csv in the working directory, so each directory has settings
of its own.

Options:
  --user-config    keep them in the user's configuration folder instead:
                   $XDG_CONFIG_HOME/zelkor, normally ~/.config/zelkor (the menu entry
                   starts Zelkor so)
  --language <name>
                   the language of the window: en (English) or ru (Russian); by default
                   Russian under a Russian locale, English under any other
  --verbose        also log each scan pass (a few lines a second) in zelkor.log
  -h, --help       this text
  -v, --version    the version

Qt's own options are passed on, e.g. -platform <name>, -display <X display>, -style <style>,
-stylesheet <file>, -geometry <WxH+X+Y>, -reverse.

Exit status: 0 when the window was closed, 1 without a display, 2 for an unknown option.
)")
        .arg(QLatin1String(ZelkorVersion));
}
