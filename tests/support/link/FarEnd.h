#ifndef FAREND_H
#define FAREND_H

#include <QThread>

#include <memory>
#include <utility>

// Runs one part of a test on a thread of its own, typically the device's side of an exchange
// while the test's thread is inside a blocking call. The destructor waits for it to end;
// wait() before reading what it wrote.
class FarEnd
{
public:
    template<typename Work>
    explicit FarEnd(Work &&work) : thread(QThread::create(std::forward<Work>(work)))
    {
        thread->start();
    }
    ~FarEnd() { wait(); }

    void wait() { thread->wait(); }

    FarEnd(const FarEnd &) = delete;
    FarEnd &operator=(const FarEnd &) = delete;

private:
    std::unique_ptr<QThread> thread;
};

#endif // FAREND_H
