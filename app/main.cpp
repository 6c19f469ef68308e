#include "AppLogging.h"
#include "CommandLine.h"
#include "LogFile.h"
#include "MallocArenas.h"
#include "SignalWatcher.h"
#include "Translations.h"
#include "Zelkor.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    MallocArenas::useOne();
    // Its stderr may be a pipe that a closed terminal or log reader leaves broken.
    SignalWatcher::ignoreBrokenPipes();
    // Qt writes lines of its own while QApplication is built, before the log is opened.
    LogFile::keepEarlyLines();
    // Read before QApplication exists: without a display it would abort instead of explaining.
    QStringList arguments;
    for (int index = 0; index < argc; ++index)
        arguments << QString::fromLocal8Bit(argv[index]);
    CommandLine commandLine;
    if (!commandLine.parse(arguments) || !commandLine.enterWorkingFolder()) {
        commandLine.print();
        return commandLine.exitCode();
    }

    QApplication application(argc, argv);
    LogFile::setVerbose(commandLine.verbose());
    QString logError;
    if (!LogFile::install(QString::fromLatin1(LogFile::DefaultName), LogFile::DefaultLimit,
                          &logError))
        qCWarning(lcApp).noquote() << LogFile::DefaultName << "not written:" << logError;
    Translations::install(application, commandLine.language());
    int exitCode = 0;
    {
        Zelkor window;
        // Logging out, a closed terminal or Ctrl-C: as "Quit anyway", the jobs stop after the
        // exchange in progress and the window saves on its way out; a second signal ends the
        // program at once.
        SignalWatcher stopSignals;
        QObject::connect(&stopSignals, &SignalWatcher::caught, &window, [&window] {
            SignalWatcher::restoreDefaults();
            window.quitWithoutAsking();
        });
        window.show();
        exitCode = application.exec();
    }
    // The window's last lines, written as it goes, belong in the log too.
    LogFile::uninstall();
    return exitCode;
}
