#include "OffThread.h"

#include <QThread>

OffThread::~OffThread()
{
    stop();
}

void OffThread::run(std::function<void()> work, std::function<void()> then)
{
    thread = QThread::create(std::move(work));
    const quint64 current = ++generation;
    connect(thread, &QThread::finished, this, [this, current, then = std::move(then)] {
        if (current != generation || !thread)
            return;
        // finished() goes out just before the thread ends; what the work wrote is only
        // ours once it has. Deleting the thread takes this connection with it.
        const std::function<void()> next = then;
        stop();
        next();
    });
    thread->start();
}

void OffThread::stop()
{
    if (!thread)
        return;
    thread->requestInterruption();
    thread->wait();
    delete thread;
    thread = nullptr;
    ++generation;
}
