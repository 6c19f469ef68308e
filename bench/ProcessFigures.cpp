#include "ProcessFigures.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>

namespace {

// The figure of an idle moment is the least one seen over this span.
constexpr int SettleMs = 4000;
constexpr int SettlePollMs = 20;
constexpr double MiB = 1024.0 * 1024.0;

using Census = ProcessFigures::Census;

Census descriptorTargets()
{
    Census census;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        // Numbers differ from one pseudo-terminal or pipe to the next; the kinds are what count.
        std::error_code unreadable;
        QString target =
            QString::fromStdString(std::filesystem::read_symlink(it->path(), unreadable));
        ++census[target.replace(QRegularExpression(QStringLiteral("\\d+")), QStringLiteral("#"))];
    }
    return census;
}

Census threadNames()
{
    Census census;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error)) {
        std::ifstream comm(it->path() / "comm");
        std::string name;
        std::getline(comm, name);
        ++census[QString::fromStdString(name)];
    }
    return census;
}

int total(const Census &census)
{
    int sum = 0;
    for (int count : census)
        sum += count;
    return sum;
}

qint64 statusKiB(const char *key)
{
    std::ifstream status("/proc/self/status");
    const size_t length = std::strlen(key);
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, length, key) == 0 && line.size() > length && line[length] == ':')
            return std::stoll(line.substr(length + 1));
    }
    return -1;
}

// Entries whose count differs from the reference: what is left open, or what went.
void printDifference(const char *kind, const Census &census, const Census &reference)
{
    Census difference = census;
    for (auto it = reference.cbegin(); it != reference.cend(); ++it)
        difference[it.key()] -= it.value();
    for (auto it = difference.cbegin(); it != difference.cend(); ++it) {
        if (it.value() != 0)
            std::printf("    %s %+d: %s\n", kind, it.value(), qPrintable(it.key()));
    }
}

} // namespace

ProcessFigures::Memory ProcessFigures::Memory::now()
{
    const struct mallinfo2 heap = mallinfo2();
    return {statusKiB("VmRSS"), statusKiB("RssAnon"), statusKiB("RssFile"), heap.uordblks / MiB,
            (heap.arena + heap.hblkhd) / MiB};
}

void ProcessFigures::Memory::print(const char *when, const Memory &reference) const
{
    std::printf("%-38s RSS %6lld KiB %+.3f (anon %+.3f, file %+.3f); heap in use %.3f MiB "
                "%+.3f, held %.3f MiB %+.3f\n",
                when, rssKiB, (rssKiB - reference.rssKiB) / 1024.0,
                (anonKiB - reference.anonKiB) / 1024.0, (fileKiB - reference.fileKiB) / 1024.0,
                heapInUseMiB, heapInUseMiB - reference.heapInUseMiB, heapHeldMiB,
                heapHeldMiB - reference.heapHeldMiB);
}

ProcessFigures ProcessFigures::now()
{
    return {Memory::now(), descriptorTargets(), threadNames()};
}

ProcessFigures ProcessFigures::settled(const std::function<void()> &beforeMemory)
{
    ProcessFigures least = now();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < SettleMs) {
        QTest::qWait(SettlePollMs);
        ProcessFigures sample = now();
        if (total(sample.fds) + total(sample.threads) < total(least.fds) + total(least.threads)) {
            least.fds = std::move(sample.fds);
            least.threads = std::move(sample.threads);
        }
    }
    if (beforeMemory)
        beforeMemory();
    least.memory = Memory::now();
    return least;
}

void ProcessFigures::printCounts(const char *when, const ProcessFigures &reference,
                                 const char *referenceName) const
{
    const int fdCount = total(fds);
    const int threadCount = total(threads);
    std::printf("%-38s fds %3d, threads %3d (%s: fds %3d, threads %3d; %+d, %+d)\n", when, fdCount,
                threadCount, referenceName, total(reference.fds), total(reference.threads),
                fdCount - total(reference.fds), threadCount - total(reference.threads));
    printDifference("fd", fds, reference.fds);
    printDifference("thread", threads, reference.threads);
}
