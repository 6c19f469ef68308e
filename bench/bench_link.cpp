// Measures the port layer on a pseudo-terminal with a far end that answers at once:
//  - the cost of one 10-byte request / 10-byte reply transaction,
//  - how far past its deadline a read of a silent line returns;
// and the wait of a write for its bytes to leave the output queue, on a descriptor whose queue
// holds the bytes until the far end has read them (a socket: a pseudo-terminal reports its
// queue empty at once).

#include "ComPort.h"
#include "PortNameMap.h"
#include "PseudoTerminal.h"
#include "serialport_unix_p.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int PortNumber = 250;
constexpr int Exchanges = 1000;
constexpr int MessageSize = 10;
constexpr int DeadlineSamples = 40;
constexpr quint32 Deadlines[] = {10, 50, 140};

double microseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void printSpread(const char *what, std::vector<double> values, const char *unit)
{
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[size_t(q * double(values.size() - 1))]; };
    std::printf("%-34s median %8.1f  p90 %8.1f  worst %8.1f %s  (n=%zu)\n", what, at(0.5), at(0.9),
                values.back(), unit, values.size());
}

void transactionOverhead(ComPort &link, PseudoTerminal &line)
{
    QThread *device = QThread::create([&] {
        for (;;) {
            const QByteArray request = line.read(MessageSize, 2000);
            if (request.size() < MessageSize)
                return;
            line.write(QByteArray(MessageSize - 4, '\0') + request.left(4));
        }
    });
    device->start();

    link.setTimeouts(LinkTimeouts::reads(1000, 0).writes(0, 1000));
    const QByteArray request = QByteArray("bnch") + QByteArray(MessageSize - 4, '\1');
    char reply[MessageSize];
    std::vector<double> costs;
    for (int i = 0; i < Exchanges; ++i) {
        const auto start = Clock::now();
        const bool ok = link.transact(request.constData(), MessageSize, reply, MessageSize);
        costs.push_back(microseconds(Clock::now() - start));
        if (!ok) {
            std::printf("exchange %d failed\n", i);
            break;
        }
    }
    device->wait();
    delete device;
    printSpread("10-byte exchange, instant far end", costs, "us");
}

void deadlineAccuracy(ComPort &link)
{
    for (const quint32 deadline : Deadlines) {
        link.setTimeouts(LinkTimeouts::reads(deadline, 0).writes(0, 1000));
        std::vector<double> overshoots;
        for (int i = 0; i < DeadlineSamples; ++i) {
            char reply;
            const auto start = Clock::now();
            link.transactRaw("?", 1, &reply, 1);
            overshoots.push_back(microseconds(Clock::now() - start) - deadline * 1000.0);
        }
        char label[64];
        std::snprintf(label, sizeof label, "overshoot of a %u ms read deadline", deadline);
        printSpread(label, overshoots, "us");
    }
}

// A far end that reads every message `lateUs` after it has arrived.
void writeDrain(const char *what, int lateUs)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0) {
        std::printf("no socket pair\n");
        return;
    }
    std::thread farEnd([&] {
        char bytes[MessageSize];
        pollfd arrived {ends[1], POLLIN, 0};
        while (poll(&arrived, 1, -1) > 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(lateUs));
            if (::read(ends[1], bytes, sizeof bytes) <= 0)
                return;
        }
    });
    const char request[MessageSize] = {};
    std::vector<double> costs;
    TerminalLine near(ends[0]);
    for (int i = 0; i < Exchanges; ++i) {
        const auto start = Clock::now();
        const qint64 written = near.write(request, MessageSize, 1000);
        costs.push_back(microseconds(Clock::now() - start));
        if (written != MessageSize) {
            std::printf("write %d failed\n", i);
            break;
        }
    }
    shutdown(ends[0], SHUT_RDWR);
    farEnd.join();
    near.close();
    ::close(ends[1]);
    printSpread(what, costs, "us");
}

} // namespace

int main()
{
    PseudoTerminal line;
    if (!line.isOpen()) {
        std::printf("no pseudo-terminal: %s\n", qPrintable(line.errorString()));
        return 1;
    }
    const QString name = PortNameMap::portName(PortNumber);
    PortNameMap::instance().setPath(name, line.portPath());
    ComPort link;
    if (!link.open(name.toLatin1().constData(), StopBits::Two)) {
        std::printf("cannot open %s\n", qPrintable(line.portPath()));
        return 1;
    }
    transactionOverhead(link, line);
    deadlineAccuracy(link);
    link.close();
    writeDrain("10-byte write, far end reading", 0);
    writeDrain("10-byte write, far end 200 us late", 200);
    return 0;
}
