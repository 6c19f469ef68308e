#include "CommandLine.h"
#include "Translations.h"
#include "Zelkor.h"

#include <QApplication>

int main(int argc, char *argv[])
{
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
    Translations::install(application, commandLine.language());
    Zelkor window;
    window.show();
    return application.exec();
}
