#ifndef FAREND_H
#define FAREND_H

#include <thread>
#include <utility>

// Runs one part of a test on a thread of its own, typically the device's side of an exchange
// while the test's thread is inside a blocking call. The destructor waits for it to end;
// wait() before reading what it wrote. A plain std::thread, so that ThreadSanitizer sees the
// join (a QThread's wait happens inside the uninstrumented Qt library).
class FarEnd
{
public:
    template<typename Work> explicit FarEnd(Work &&work) : thread(std::forward<Work>(work)) { }
    ~FarEnd() { wait(); }

    void wait()
    {
        if (thread.joinable())
            thread.join();
    }

private:
    std::thread thread;
};

#endif // FAREND_H
