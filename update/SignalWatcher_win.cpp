#include "SignalWatcher.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <csignal>
#include <mutex>
#include <utility>
#include <windows.h>

// Windows has no signals to end a program: a console program gets console events (Ctrl-C,
// Ctrl-Break, its console closed, log-off, shut-down) on a thread of their own, a program with
// windows the session's end as messages. Both become caught(): SIGINT for Ctrl-C, SIGTERM for
// the rest. A write to a closed pipe only fails there, so there is no broken pipe to watch.
namespace {

// After a close, log-off or shut-down event Windows ends the program five seconds on; the
// orderly stop gets what it can of them.
constexpr DWORD ClosingGraceMs = 4500;

std::mutex watcherMutex;
SignalWatcher *current = nullptr;

void post(int signalNumber)
{
    const std::lock_guard<std::mutex> guard(watcherMutex);
    if (current)
        QMetaObject::invokeMethod(
            current, [watcher = current, signalNumber] { emit watcher->caught(signalNumber); },
            Qt::QueuedConnection);
}

// Windows ends the program once the handler returns from a closing event: it waits for the
// program's own end instead, which ends this thread too.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    post(event == CTRL_C_EVENT ? SIGINT : SIGTERM);
    if (!interrupt)
        ::Sleep(ClosingGraceMs);
    return TRUE;
}

// The session ends: asked first, then told. The program stops as on SIGTERM and is given
// time to end before the answer goes back, after which Windows may end it at once.
class SessionEndFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *result) override
    {
        const MSG *msg = static_cast<const MSG *>(message);
        // Every top-level window is told; one stop is enough.
        if (type != "windows_generic_MSG" || msg->message != WM_ENDSESSION || !msg->wParam
            || std::exchange(told, true))
            return false;
        post(SIGTERM);
        // QCoreApplication::exit() ends this loop as well as the program's own.
        QEventLoop ending;
        QTimer::singleShot(ClosingGraceMs, &ending, &QEventLoop::quit);
        ending.exec();
        *result = 0;
        return false;
    }

private:
    bool told = false;
};

SessionEndFilter sessionEndFilter;

} // namespace

SignalWatcher::SignalWatcher(BrokenPipe, QObject *parent) : QObject(parent)
{
    {
        const std::lock_guard<std::mutex> guard(watcherMutex);
        current = this;
    }
    ::SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installNativeEventFilter(&sessionEndFilter);
}

SignalWatcher::~SignalWatcher()
{
    restoreDefaults();
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeNativeEventFilter(&sessionEndFilter);
    const std::lock_guard<std::mutex> guard(watcherMutex);
    current = nullptr;
}

void SignalWatcher::ignoreBrokenPipes() { }

void SignalWatcher::restoreDefaults()
{
    ::SetConsoleCtrlHandler(&onConsoleEvent, FALSE);
}
