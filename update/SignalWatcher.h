#ifndef SIGNALWATCHER_H
#define SIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal in the thread that owns the watcher, so that the
// programs that run jobs can stop them after the exchange in progress instead of cutting a frame
// in half. The handler only writes the signal's number into a pipe; the event loop reads it. One
// watcher at a time; the destructor puts the default handling back.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    // The next signal ends the program at once, as if nobody watched.
    static void restoreDefaults();

signals:
    void caught(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPipe();

    QSocketNotifier *notifier = nullptr;
};

#endif // SIGNALWATCHER_H
