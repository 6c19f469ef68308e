#ifndef FIRMWAREUPDATE_H
#define FIRMWAREUPDATE_H

#include "JobResult.h"
#include "LoaderCommands.h"

#include <QByteArray>
#include <QList>

#include <functional>

class ComPort;

// Writes the lines of a firmware file, read and checked beforehand (FirmwareFile), into a
// device through its loader, then lets the device restart.
class FirmwareUpdate
{
public:
    static constexpr int resetAttempts = 5;
    static constexpr int connectAttempts = 5;
    // Sending the lines fills 0 to 85 %, the restart 86 to 100 %.
    static constexpr int linesPercent = 85;

    // Reports percents as the update advances (failures are not reported here).
    using Progress = std::function<void(int)>;

    // loaderRepliesChecked: the job's own, kept across its repeats (LoaderCommands).
    FirmwareUpdate(ComPort &link, const QList<QByteArray> &lines, bool &loaderRepliesChecked,
                   Progress progress);

    // Answers JobResult::Ok or an update failure code. The first failure ends the update: nothing
    // more is sent.
    JobResult::Code run();

private:
    bool retry(int attempts, bool (LoaderCommands::*command)());
    JobResult::Code sendLine(const QByteArray &line);
    void restartDevice();

    LoaderCommands loader;
    const QList<QByteArray> &lines;
    Progress progress;
};

#endif // FIRMWAREUPDATE_H
