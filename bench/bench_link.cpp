// Measures the port layer on a pseudo-terminal with a far end that answers at once:
//  - the cost of one 10-byte request / 10-byte reply transaction,
//  - how far past its deadline a read of a silent line returns.

#include "ComPort.h"
#include "PortNameMap.h"
#include "PseudoTerminal.h"

#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
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

    link.setTimeouts(0, 1000, 0, 0, 1000);
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
        link.setTimeouts(0, deadline, 0, 0, 1000);
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
    if (!link.open(name.toLatin1().constData(), false)) {
        std::printf("cannot open %s\n", qPrintable(line.portPath()));
        return 1;
    }
    transactionOverhead(link, line);
    deadlineAccuracy(link);
    link.close();
    return 0;
}
