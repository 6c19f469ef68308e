#ifndef JOBCOMMAND_H
#define JOBCOMMAND_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class CliOptions;

// "zelkor-cli update" and "zelkor-cli calibrate". Everything that can be checked without
// talking to a device is checked first: the ports exist, the firmware file is sound, every
// port can be opened. Only then do the jobs start.
class JobCommand
{
    Q_DECLARE_TR_FUNCTIONS(JobCommand)

public:
    static int run(const CliOptions &options);

private:
    // Each false after noting why in problems. The port names of the arguments, each device
    // once.
    static bool resolvePorts(const QStringList &arguments, QStringList &ports,
                             QStringList *problems);
    static bool firmwareFileSound(const QString &path, QStringList *problems);
    // Every port that can't be opened (a held one after a moment's wait), with the reason and
    // what to do.
    static bool portsAvailable(const QStringList &ports, QStringList *problems);
};

#endif // JOBCOMMAND_H
