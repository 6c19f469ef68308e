#ifndef SIGNALWATCHER_H
#define SIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal in the thread that owns the watcher. The handler
// only writes the signal's number into a pipe; the event loop reads it. One watcher at a time;
// the destructor puts the default handling back.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void caught(int signalNumber);

private:
    static void handle(int signalNumber);
    void readPipe();

    QSocketNotifier *notifier = nullptr;
};

#endif // SIGNALWATCHER_H
