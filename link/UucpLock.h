#ifndef UUCPLOCK_H
#define UUCPLOCK_H

#include <QString>

// The lock files by which ser2net, minicom, picocom, cu and others say that they use a serial
// device: "LCK..<device name>" in the system's lock folder, holding the user's process number
// as text. They take no flock on the device itself, so the lock file is all that shows them.
namespace UucpLock {

// The running process, other than this one, that a lock file names for the device at the
// path (a link to it counts as the device); 0 when there is none, or the process has ended.
qint64 holder(const QString &devicePath);

} // namespace UucpLock

#endif // UUCPLOCK_H
