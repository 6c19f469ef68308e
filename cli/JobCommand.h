#ifndef JOBCOMMAND_H
#define JOBCOMMAND_H

#include <QString>
#include <QStringList>

class CliOptions;

// "zelkor-cli update" and "zelkor-cli calibrate". Everything that can be checked without
// talking to a device is checked first: the ports exist, the firmware file is sound, every
// port can be opened. Only then do the jobs start.
class JobCommand
{
public:
    static int run(const CliOptions &options);

private:
    // The port names of the arguments; false after printing why a port is unknown.
    static bool resolvePorts(const QStringList &arguments, QStringList &ports);
    static bool firmwareFileSound(const QString &path);
    // False after printing every port that can't be opened (a held one after a moment's wait),
    // with the reason and what to do.
    static bool portsAvailable(const QStringList &ports);
};

#endif // JOBCOMMAND_H
