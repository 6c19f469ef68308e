#ifndef GENSIOLOOP_H
#define GENSIOLOOP_H

#include "PortError.h"

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct gensio_iod;
struct gensio_os_funcs;

// The one thread that drives the network library (gensio) for every remote line of the process.
// The library is called from this thread alone, and its callbacks come here too, so it needs no
// signal to wake other threads and none of its state is shared; other threads hand it work with
// post() and wait for the outcome on their own.
//
// Never destroyed: lines may still be closed while the process ends, and the thread ends with
// the process, so nothing waits for it at exit.
class GensioLoop
{
public:
    // The loop, started on first use; nullptr when the library could not be set up, with the
    // reason in error.
    static GensioLoop *instance(PortError *error);

    gensio_os_funcs *os() const { return osFuncs; }

    // Runs task on the loop's thread, after every task posted before it. Any thread.
    void post(std::function<void()> task);

private:
    GensioLoop() = default;
    Q_DISABLE_COPY_MOVE(GensioLoop)

    bool start(PortError *error);
    void run();
    void runPosted();
    static void wakeUp(gensio_iod *iod, void *loop);

    gensio_os_funcs *osFuncs = nullptr;
    int wakeFd = -1;
    gensio_iod *wakeIod = nullptr;
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;
    std::thread thread;
};

#endif // GENSIOLOOP_H
