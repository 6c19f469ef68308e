#ifndef OFFTHREAD_H
#define OFFTHREAD_H

#include <QObject>

#include <functional>

class QThread;

// Runs a piece of work in a thread of its own and then its continuation in the thread that owns
// this object, so that the owner (the window's thread) never waits for a device or a disk.
// One piece of work at a time.
class OffThread : public QObject
{
    Q_OBJECT

public:
    OffThread() = default;
    // Stops the work in progress.
    ~OffThread() override;

    void run(std::function<void()> work, std::function<void()> then);
    bool busy() const { return thread != nullptr; }
    // Asks the work in progress to stop (QThread::isInterruptionRequested in its thread) and
    // waits for it to end; its continuation is dropped.
    void stop();

private:
    QThread *thread = nullptr;
    // Tells a continuation still queued after wait() from the one of the current work.
    quint64 generation = 0;
};

#endif // OFFTHREAD_H
