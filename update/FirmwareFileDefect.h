#ifndef FIRMWAREFILEDEFECT_H
#define FIRMWAREFILEDEFECT_H

#include <QMetaType>
#include <QString>

// Why a firmware file was refused, in enough detail for the user to find the fault: the file,
// the line and what is wrong with it. It travels with the job's failure to the window and the
// programs' output.
struct FirmwareFileDefect
{
    enum Kind {
        None,
        // Could not be opened; systemError says why (EINVAL: not a regular file).
        CantOpen,
        TooLarge,
        // Grew while it was read: still being copied, say.
        Changed,
        // Fewer lines than a firmware file has; line holds the number of lines.
        TooFewLines,
        // The first line is not an address line.
        NoAddressFirst,
        // An address line with fewer than eight characters after its "@".
        ShortAddress,
        NoEndLine,
        // A line other than a blank one after the end line.
        TextAfterEnd,
    };

    Kind kind = None;
    QString path;
    // The line concerned, counted from 1.
    int line = 0;
    int systemError = 0;
};

Q_DECLARE_METATYPE(FirmwareFileDefect)

#endif // FIRMWAREFILEDEFECT_H
