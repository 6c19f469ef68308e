// The device simulator's own figures: how closely line-speed pacing follows 115200 bit/s at
// 11 bits a byte, and what one exchange costs without pacing, on one device and on several
// at once.

#include "ComPort.h"
#include "SimulatedPorts.h"
#include "crc16.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int Port = 1;
constexpr int Runs = 5;
constexpr int FramesPerRun = 26; // 26 x (38 + 6) bytes: a little over 1000 bytes on the line
constexpr int ReplyLength = 6;
constexpr int Exchanges = 200;
constexpr int ParallelDevices = 8;
constexpr double BitsPerByte = 11;
constexpr double BitsPerSecond = 115200;

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
    line.setTimeouts(0, 1000, 10, 0, 1000);
    return line.open(SimulatedPorts::portNameBytes(number).constData(), false);
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

void pacedTransfer()
{
    SimulatedPorts ports;
    DeviceProfile profile = DeviceProfile::loader();
    profile.pacing = true;
    ports.add(Port, profile);
    ComPort line;
    if (!openLine(line, Port) || !exchange(line, frame(0x1234, {}), ReplyLength)
        || !exchange(line, frame(0x4411, "00001000"), ReplyLength)) {
        std::printf("paced transfer: the simulated loader did not answer\n");
        return;
    }
    const QByteArray request = frame(0x1144, QByteArray(32, 'D'));
    const int bytes = FramesPerRun * int(request.size() + ReplyLength);
    const double nominalMs = bytes * BitsPerByte * 1000 / BitsPerSecond;
    std::vector<double> runs;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < FramesPerRun; ++i)
            exchange(line, request, ReplyLength);
        runs.push_back(timer.nsecsElapsed() / 1e6);
    }
    line.close();
    std::printf("paced transfer of %d bytes (%d WRITE DATA frames and replies):\n"
                "  line time %.1f ms, measured median %.1f ms, best %.1f ms (%+.1f %%)\n",
                bytes, FramesPerRun, nominalMs, median(runs),
                *std::min_element(runs.begin(), runs.end()), (median(runs) / nominalMs - 1) * 100);
}

double exchangesPerDevice(int devices)
{
    SimulatedPorts ports;
    for (int number = 1; number <= devices; ++number)
        ports.add(number, DeviceProfile::ready());
    QElapsedTimer timer;
    timer.start();
    std::vector<std::thread> workers;
    for (int number = 1; number <= devices; ++number) {
        workers.emplace_back([number] {
            ComPort line;
            if (!openLine(line, number))
                return;
            for (int i = 0; i < Exchanges; ++i)
                exchange(line, "gser", 10);
            line.close();
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    return timer.nsecsElapsed() / 1e3 / Exchanges;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    pacedTransfer();
    std::printf("unpaced \"gser\" exchange: %.0f us on one device; %.0f us a round with %d "
                "devices at once\n",
                exchangesPerDevice(1), exchangesPerDevice(ParallelDevices), ParallelDevices);
    return 0;
}
