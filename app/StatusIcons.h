#ifndef STATUSICONS_H
#define STATUSICONS_H

#include <QIcon>

// The icons of the device list's Status column, one for each kind of row, so that rows can be
// told apart at a glance. Each holds its picture at 1x, 2x and 3x: sharp on scaled screens.
namespace StatusIcons {

enum Kind {
    Ready,
    // A loader waiting for firmware.
    Loader,
    // A chip in its in-system-programming mode.
    Isp,
    Busy,
    Done,
    Failed,
    Refused,
};

QIcon icon(Kind kind);

} // namespace StatusIcons

#endif // STATUSICONS_H
