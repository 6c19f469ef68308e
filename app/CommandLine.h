#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QString>
#include <QStringList>

// The program's own options, read before Qt starts (so that --help works without a display):
// whether the window opens at all, and in which folder it keeps its files.
class CommandLine
{
public:
    // False when the program ends here instead of opening the window, with exitCode() and the
    // text for print(). Qt's own options (-platform, -style, ...) are let through for Qt.
    bool parse(const QStringList &arguments);
    // With --user-config: creates the user's configuration folder and makes it the working
    // directory, where settings.ini and the logs are kept under their relative names.
    bool enterWorkingFolder();

    // The language asked for with --language; empty: the system's.
    QString language() const { return chosenLanguage; }
    // --verbose: the scan's lines of every pass go into the log file too.
    bool verbose() const { return verboseLog; }
    int exitCode() const { return code; }
    // Writes the text to standard output after --help or --version, else to standard error.
    void print() const;

    static QString helpText();

private:
    bool stop(int exitCode, const QString &text);

    bool userConfig = false;
    bool verboseLog = false;
    QString chosenLanguage;
    int code = 0;
    QString message;
};

#endif // COMMANDLINE_H
