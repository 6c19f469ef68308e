#ifndef DISPLAYSOCKET_H
#define DISPLAYSOCKET_H

#include <QString>
#include <QStringList>

// Whether a display server listens where Qt would connect to it. Qt aborts when it can't reach
// the display, so the program asks first, before QApplication exists. Only a definite "nobody
// there" counts: a name these checks do not understand, or a connection that neither succeeds
// nor fails in time, is left for Qt to try.
namespace DisplaySocket {

// Whether a platform of the list (-platform, or else QT_QPA_PLATFORM) finds what it draws on;
// unreached gets the variables that were set in vain. Windows draws on its own desktop.
bool reachable(const QString &platformOption, QStringList *unreached);

// An X display name as in DISPLAY: [protocol/][host]:number[.screen]. No host (or "unix") is
// the local socket /tmp/.X11-unix/X<number>, a host the TCP port 6000 + number.
bool xServerListens(const QString &display);
// WAYLAND_DISPLAY: a socket path, or a name in XDG_RUNTIME_DIR.
bool waylandCompositorListens(const QString &display);

} // namespace DisplaySocket

#endif // DISPLAYSOCKET_H
