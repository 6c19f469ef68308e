#include "Ser2netServer.h"

#include "SilentListener.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <sys/prctl.h>

namespace {

constexpr int StartLimitMs = 5000;
constexpr int ListenPollMs = 20;

// Telnet's "interpret as command", the commands that matter here, and the serial-control option
// with its client commands.
constexpr char Iac = char(0xff);
constexpr char Will = char(0xfb);
constexpr char Subnegotiation = char(0xfa);
constexpr char ComPortOption = 44;
constexpr int FirstSetting = 1; // SET-BAUDRATE
constexpr int LastSetting = 5; // SET-CONTROL
constexpr int PurgeData = 12;

} // namespace

Ser2netServer::~Ser2netServer()
{
    kill();
}

QString Ser2netServer::serve(const QString &devicePath, Telnet telnet, const QString &traceFile)
{
    quint16 port = freePort();
    while (
        std::any_of(lines.cbegin(), lines.cend(), [port](const Line &l) { return l.port == port; }))
        port = freePort();
    lines.append({devicePath, port, telnet, traceFile});
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(port);
}

bool Ser2netServer::start(QString *error)
{
    const QString config = dir.filePath("ser2net.yaml");
    QFile file(config);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) || file.write(configuration()) < 0) {
        *error = QStringLiteral("cannot write %1").arg(config);
        return false;
    }
    file.close();
    // A test that dies takes its server with it, rather than leave it holding ports.
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    // In the foreground, without UUCP lock files (a killed server would leave them behind).
    process.start(QStringLiteral("ser2net"),
                  {"-n", "-u", "-P", dir.filePath("ser2net.pid"), "-c", config});
    if (!process.waitForStarted()) {
        *error = QStringLiteral("ser2net: %1").arg(process.errorString());
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (!allListening()) {
        if (process.state() != QProcess::Running || waited.elapsed() > StartLimitMs) {
            *error = QStringLiteral("ser2net did not start: %1")
                         .arg(QString::fromLocal8Bit(process.readAllStandardError()));
            return false;
        }
        QThread::msleep(ListenPollMs);
    }
    return true;
}

void Ser2netServer::kill()
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished();
}

// Closed again at once: free, and no other test's listener has it.
quint16 Ser2netServer::freePort()
{
    return SilentListener().port();
}

// Each line as the README's example serves an adapter: telnet with RFC 2217, no delay for small
// segments, and replies passed on as they come rather than gathered.
QByteArray Ser2netServer::configuration() const
{
    QByteArray yaml;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line &line = lines[i];
        const QByteArray trace = line.traceFile.isEmpty()
            ? QByteArray()
            : "trace(dir=read,raw,file=" + line.traceFile.toUtf8() + "),";
        yaml += "connection: &line" + QByteArray::number(i) + "\n"
            + "  accepter: " + (line.telnet == Telnet::Rfc2217 ? "telnet(rfc2217)," : "telnet,")
            + trace + "tcp(nodelay),127.0.0.1," + QByteArray::number(line.port) + "\n"
            + "  connector: serialdev," + line.devicePath.toUtf8() + ",115200n82,local\n"
            + "  options:\n" + "    chardelay: false\n";
    }
    return yaml;
}

// From the kernel's table, so that no test connection takes a port before the test does.
bool Ser2netServer::allListening() const
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray listening = table.readAll();
    return std::all_of(lines.cbegin(), lines.cend(), [&listening](const Line &line) {
        const QByteArray local =
            "0100007F:" + QByteArray::number(line.port, 16).toUpper().rightJustified(4, '0');
        return listening.contains(local + " 00000000:0000 0A");
    });
}

// A connection begins with the offer of the serial-control option; a setting or a purge is its
// subnegotiation with the command's code. A 0xFF data byte travels doubled.
Ser2netServer::Messages Ser2netServer::countMessages(const QString &traceFile)
{
    QFile file(traceFile);
    const QByteArray trace = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    Messages counted;
    for (qsizetype i = 0; i + 2 < trace.size(); ++i) {
        if (trace[i] != Iac)
            continue;
        if (trace[i + 1] == Iac) {
            ++i;
        } else if (trace[i + 1] == Will && trace[i + 2] == ComPortOption) {
            ++counted.connections;
        } else if (trace[i + 1] == Subnegotiation && trace[i + 2] == ComPortOption
                   && i + 3 < trace.size()) {
            const int code = trace[i + 3];
            counted.settings += code >= FirstSetting && code <= LastSetting;
            counted.purges += code == PurgeData;
        }
    }
    return counted;
}
