#ifndef MESSAGELOG_H
#define MESSAGELOG_H

#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QtGlobal>

#include <atomic>

// Collects the program's debug and warning lines, from any thread, for as long as it lives;
// they still reach the test's own output. One object at a time.
class MessageLog
{
public:
    MessageLog()
    {
        {
            QMutexLocker locker(&mutex);
            current = this;
        }
        previous = qInstallMessageHandler(record);
    }
    // A thread may be logging right now: once current is cleared under the lock, no thread
    // touches the lines any more.
    ~MessageLog()
    {
        qInstallMessageHandler(previous);
        QMutexLocker locker(&mutex);
        current = nullptr;
    }
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;

    int count(const QString &line) const
    {
        QMutexLocker locker(&mutex);
        return int(lines.count(line));
    }

    bool contains(const QString &part) const
    {
        QMutexLocker locker(&mutex);
        return !lines.filter(part).isEmpty();
    }

private:
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        {
            QMutexLocker locker(&mutex);
            if (current)
                current->lines.append(message);
        }
        if (QtMessageHandler next = previous)
            next(type, context, message);
    }

    // Guards current and its lines.
    static inline QMutex mutex;
    static inline MessageLog *current = nullptr;
    static inline std::atomic<QtMessageHandler> previous {nullptr};
    QStringList lines;
};

#endif // MESSAGELOG_H
