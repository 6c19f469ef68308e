// The device simulator's own figures: how closely line-speed pacing follows 115200 bit/s at
// 11 bits a byte, and what one exchange costs without pacing, on one device and on several
// at once.

#include "ComPort.h"
#include "LineTiming.h"
#include "SimulatedPorts.h"
#include "crc16.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int Port = 1;
constexpr int Runs = 5;
constexpr int FramesPerRun = 26; // 26 x 38 bytes: about 1000 bytes to the device
constexpr int ReplyLength = 6;
constexpr int RdanRequests = 20; // 20 x 54 bytes: about 1000 bytes back
constexpr int RdanReplyLength = 54;
constexpr int Rounds = 200;
constexpr int ParallelDevices = 8;

QByteArray frame(quint16 code, const QByteArray &data)
{
    char head[4];
    qToLittleEndian(code, head);
    qToLittleEndian(quint16(data.size()), head + 2);
    QByteArray bytes = QByteArray(head, 4) + data;
    char check[2];
    qToLittleEndian(crc16(bytes.constData(), unsigned(bytes.size())), check);
    return bytes + QByteArray(check, 2);
}

bool openLine(ComPort &line, int number)
{
    line.setTimeouts(LinkTimeouts::reads(1000, 10).writes(0, 1000));
    return line.open(SimulatedPorts::portNameBytes(number).constData(), StopBits::Two);
}

bool exchange(ComPort &line, const QByteArray &request, int replyLength)
{
    QByteArray reply(replyLength, '\0');
    return line.transactRaw(request.constData(), unsigned(request.size()), reply.data(),
                            unsigned(replyLength));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One transaction carrying `count` requests at once, so that only the line sets the pace.
void pacedTransfer(const char *title, const DeviceProfile &profile, const QList<QByteArray> &setup,
                   const QByteArray &request, int count, int replyLength)
{
    SimulatedPorts ports;
    DeviceProfile paced = profile;
    paced.pacing = true;
    ports.add(Port, paced);
    ComPort line;
    bool ready = openLine(line, Port);
    for (const QByteArray &frameBytes : setup)
        ready = ready && exchange(line, frameBytes, ReplyLength);
    if (!ready) {
        std::printf("%s: the simulated device did not answer\n", title);
        return;
    }
    const int sent = int(request.size()) * count;
    const int received = replyLength * count;
    const int lineBytes = std::max(sent + replyLength, int(request.size()) + received);
    const double nominalMs =
        std::chrono::duration<double, std::milli>(LineTiming::lineTime(lineBytes)).count();
    std::vector<double> runs;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        exchange(line, request.repeated(count), received);
        runs.push_back(timer.nsecsElapsed() / 1e6);
    }
    line.close();
    std::printf("%s: %d bytes out, %d back; line time %.1f ms, measured median %.1f ms, "
                "best %.1f ms (%+.1f %%)\n",
                title, sent, received, nominalMs, median(runs),
                *std::min_element(runs.begin(), runs.end()), (median(runs) / nominalMs - 1) * 100);
}

struct Exchanges
{
    double usPerRound;
    int failed;
};

// Every device answers `Rounds` "gser" requests, all devices at once, each from its own thread.
Exchanges exchangesOn(int devices)
{
    SimulatedPorts ports;
    for (int number = 1; number <= devices; ++number)
        ports.add(number, DeviceProfile::ready());
    std::atomic<int> failed {0};
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> workers;
    for (int number = 1; number <= devices; ++number) {
        workers.emplace_back([number, &failed] {
            ComPort line;
            const bool opened = openLine(line, number);
            for (int i = 0; i < Rounds; ++i) {
                if (!opened || !exchange(line, "gser", 10))
                    ++failed;
            }
            line.close();
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    return {timer.nsecsElapsed() / 1e3 / Rounds, failed.load()};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    pacedTransfer("paced, to the device", DeviceProfile::loader(),
                  {frame(0x1234, {}), frame(0x4411, "00001000")},
                  frame(0x1144, QByteArray(32, 'D')), FramesPerRun, ReplyLength);
    pacedTransfer("paced, from the device", DeviceProfile::ready(), {}, "rdan", RdanRequests,
                  RdanReplyLength);
    for (const int devices : {1, ParallelDevices}) {
        const Exchanges result = exchangesOn(devices);
        std::printf("unpaced \"gser\" exchanges, %d device(s) at once: %.0f us a round on average "
                    "(%d failed)\n",
                    devices, result.usPerRound, result.failed);
    }
    return 0;
}
