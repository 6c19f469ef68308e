// zelkor-devsim: simulated devices on pseudo-terminals, announced to Zelkor through the
// "Ports" group of its settings file, until Ctrl-C.
#include "DevsimOptions.h"
#include "DevsimSession.h"
#include "ZelkorVersion.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <ctime>

namespace {

constexpr int UsageError = 2;
constexpr int RuntimeError = 1;
constexpr long TrafficPollNs = 100 * 1000 * 1000;

sigset_t stopSignals()
{
    sigset_t handled;
    sigemptyset(&handled);
    sigaddset(&handled, SIGINT);
    sigaddset(&handled, SIGTERM);
    sigaddset(&handled, SIGHUP);
    return handled;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    DevsimOptions options;
    if (!options.parse(app.arguments())) {
        err << "zelkor-devsim: " << options.errorString() << Qt::endl;
        return UsageError;
    }
    if (options.helpRequested()) {
        out << DevsimOptions::helpText();
        return 0;
    }
    if (options.versionRequested()) {
        out << "zelkor-devsim " << ZelkorVersion << Qt::endl;
        return 0;
    }

    // Blocked before any device thread starts, so that only the wait below receives them.
    const sigset_t handled = stopSignals();
    pthread_sigmask(SIG_BLOCK, &handled, nullptr);

    DevsimSession session(options);
    QString error;
    if (!session.start(&error)) {
        err << "zelkor-devsim: " << error << Qt::endl;
        return RuntimeError;
    }
    out << session.table() << Qt::endl
        << "Ports written to " << options.settingsPath << "; Ctrl-C stops." << Qt::endl;

    const timespec poll {0, TrafficPollNs};
    while (sigtimedwait(&handled, nullptr, &poll) < 0) {
        if (options.logTraffic)
            session.printTraffic(out);
    }
    if (options.logTraffic)
        session.printTraffic(out);
    if (!session.stop(&error)) {
        err << "zelkor-devsim: " << error << Qt::endl;
        return RuntimeError;
    }
    out << "Stopped; the Ports entries are removed from " << options.settingsPath << "."
        << Qt::endl;
    return 0;
}
