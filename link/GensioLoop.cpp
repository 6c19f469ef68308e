#include "GensioLoop.h"

#include "LinkLogging.h"

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <gensio/gensio.h>
#include <gensio/gensio_unix.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

constexpr int LogLineLength = 512;

// The library reports trouble inside itself through this; it reaches the program log.
void logLibraryMessage(gensio_os_funcs *, enum gensio_log_levels level, const char *format,
                       va_list args)
{
    char line[LogLineLength];
    std::vsnprintf(line, sizeof line, format, args);
    qCWarning(lcLink).noquote() << "gensio" << gensio_log_level_to_str(level) << line;
}

PortError libraryError(const char *what, int gensioError)
{
    return {PortError::Io,
            QStringLiteral("%1: %2").arg(QLatin1String(what),
                                         QLatin1String(gensio_err_to_str(gensioError)))};
}

} // namespace

GensioLoop *GensioLoop::instance(PortError *error)
{
    struct Started
    {
        GensioLoop *loop = nullptr;
        PortError error;
    };
    // Never destroyed, like the loop: callers may still come while the process ends.
    static const Started *const started = [] {
        auto *result = new Started;
        auto *loop = new GensioLoop;
        if (loop->start(&result->error))
            result->loop = loop;
        return result;
    }();
    if (!started->loop)
        *error = started->error;
    return started->loop;
}

bool GensioLoop::start(PortError *error)
{
    // No wake-up signal: only the loop's own thread ever calls into the library.
    const int failure = gensio_unix_funcs_alloc(nullptr, 0, &osFuncs);
    if (failure != 0) {
        *error = libraryError("network library", failure);
        return false;
    }
    gensio_os_funcs_set_vlog(osFuncs, logLibraryMessage);
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        *error = {PortError::Io, qt_error_string(errno)};
        return false;
    }
    int added = osFuncs->add_iod(osFuncs, GENSIO_IOD_PIPE, wakeFd, &wakeIod);
    if (added == 0)
        added =
            osFuncs->set_fd_handlers(wakeIod, this, &GensioLoop::wakeUp, nullptr, nullptr, nullptr);
    if (added != 0) {
        *error = libraryError("network library", added);
        return false;
    }
    osFuncs->set_read_handler(wakeIod, true);

    // Signals meant for the program (SIGTERM, SIGINT) are handled by its other threads; a
    // write to a connection the server has closed fails instead of raising SIGPIPE.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    thread = std::thread(&GensioLoop::run, this);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    pthread_setname_np(thread.native_handle(), "remote lines");
    return true;
}

void GensioLoop::post(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        tasks.push_back(std::move(task));
    }
    const eventfd_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd, &one, sizeof one);
}

void GensioLoop::run()
{
    for (;;)
        osFuncs->service(osFuncs, nullptr);
}

void GensioLoop::wakeUp(gensio_iod *, void *loop)
{
    static_cast<GensioLoop *>(loop)->runPosted();
}

// Runs what has been posted, in order; a task posted meanwhile waits for the next wake-up.
void GensioLoop::runPosted()
{
    eventfd_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(wakeFd, &count, sizeof count);
    std::deque<std::function<void()>> due;
    {
        std::lock_guard<std::mutex> lock(mutex);
        due.swap(tasks);
    }
    for (const std::function<void()> &task : due)
        task();
}
