#include "SignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int WatchedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};
// Read end and write end; the handler needs them without any lock.
int signalPipe[2] = {-1, -1};

} // namespace

SignalWatcher::SignalWatcher(BrokenPipe brokenPipe, QObject *parent) : QObject(parent)
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SignalWatcher::readPipe);
    struct sigaction action = {};
    action.sa_handler = &SignalWatcher::handle;
    sigemptyset(&action.sa_mask);
    // Blocking calls elsewhere (a job log write) go on instead of failing with EINTR.
    action.sa_flags = SA_RESTART;
    for (const int number : WatchedSignals) {
        if (number != SIGPIPE || brokenPipe == StopOnBrokenPipe)
            ::sigaction(number, &action, nullptr);
    }
}

SignalWatcher::~SignalWatcher()
{
    restoreDefaults();
    if (notifier) {
        delete notifier;
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
}

void SignalWatcher::ignoreBrokenPipes()
{
    ::signal(SIGPIPE, SIG_IGN);
}

void SignalWatcher::restoreDefaults()
{
    for (const int number : WatchedSignals)
        ::signal(number, number == SIGPIPE ? SIG_IGN : SIG_DFL);
}

void SignalWatcher::handle(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = char(signalNumber);
    // A full pipe already holds a wake-up; the byte may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

void SignalWatcher::readPipe()
{
    char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1)
        emit caught(int(byte));
}
