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
        current = this;
        previous = qInstallMessageHandler(record);
    }
    ~MessageLog()
    {
        qInstallMessageHandler(previous);
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
        if (MessageLog *log = current) {
            QMutexLocker locker(&log->mutex);
            log->lines.append(message);
        }
        if (QtMessageHandler next = previous)
            next(type, context, message);
    }

    static inline std::atomic<MessageLog *> current {nullptr};
    static inline std::atomic<QtMessageHandler> previous {nullptr};
    mutable QMutex mutex;
    QStringList lines;
};

#endif // MESSAGELOG_H
