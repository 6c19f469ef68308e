#ifndef SIGNALWATCHER_H
#define SIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns the signals that ask a program to end (SIGINT, SIGTERM, SIGHUP of a closed terminal,
// SIGQUIT) into a Qt signal in the thread that owns the watcher, so that the programs that run
// jobs can stop them after the exchange in progress instead of cutting a frame in half, log
// them and give their ports back. The handler only writes the signal's number into a pipe; the
// event loop reads it. One watcher at a time; the destructor puts the default handling back.
// On Windows console events and the session's end stand for the signals (SignalWatcher_win.cpp).
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    enum BrokenPipe {
        // A write to a closed pipe fails with EPIPE, and the program goes on.
        IgnoreBrokenPipe,
        // As a request to end: standard output piped into "head -1", say.
        StopOnBrokenPipe,
    };

    explicit SignalWatcher(BrokenPipe brokenPipe = IgnoreBrokenPipe, QObject *parent = nullptr);
    ~SignalWatcher() override;

    // For the start of main(): a write to a closed standard output or error must not end the
    // program on the spot, before it could log, save and give its ports back.
    static void ignoreBrokenPipes();
    // The next signal ends the program at once, as if nobody watched; a broken pipe is ignored.
    static void restoreDefaults();

signals:
    void caught(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPipe();

    QSocketNotifier *notifier = nullptr;
};

#endif // SIGNALWATCHER_H
