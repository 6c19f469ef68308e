#ifndef PSEUDOTERMINAL_H
#define PSEUDOTERMINAL_H

#include <QByteArray>
#include <QString>

struct termios;

// One pseudo-terminal pair standing in for a serial line. The slave side is the "serial port"
// that the program opens by its path; the master side is the far end of the line, where a
// simulated device (or a test) reads what the program sent and writes its replies.
//
// The object keeps a descriptor of the slave side open for its whole life, so the line stays
// "plugged in" while the program opens and closes the port; unplug() drops both sides, after
// which the port path no longer exists and the program sees a hang-up.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();

    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isOpen() const { return master >= 0; }
    QString errorString() const { return error; }

    // Device path of the slave side, e.g. "/dev/pts/7".
    QString portPath() const { return path; }
    int masterDescriptor() const { return master; }

    // Waits until maxBytes bytes have arrived from the program or timeoutMs ms have passed, and
    // returns what arrived (possibly nothing). A negative timeout waits without limit.
    QByteArray read(int maxBytes, int timeoutMs);

    // Sends all bytes to the program; false when the line is gone. With a timeout (ms), gives
    // up when the program's receive buffer stays full that long: the rest is lost, as on a
    // real line whose receiver overflows.
    bool write(const QByteArray &data, int timeoutMs = -1);

    // Discards everything the program has sent and nobody has read yet.
    void discardInput();

    // The line settings the program gave the port (read through the master side).
    bool lineSettings(termios *settings) const;

    // Pulls the plug: both sides close and the port path disappears.
    void unplug();

private:
    int master = -1;
    int slaveKeeper = -1;
    QString path;
    QString error;
};

#endif // PSEUDOTERMINAL_H
