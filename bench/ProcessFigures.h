#ifndef PROCESSFIGURES_H
#define PROCESSFIGURES_H

#include <QMap>
#include <QString>

#include <functional>

// What this process holds, from /proc/self and malloc: resident memory and heap, and what each
// open descriptor points at and what each thread is called, with how many of each.
struct ProcessFigures
{
    using Census = QMap<QString, int>;

    struct Memory
    {
        // Resident: in all, anonymous (heap, stacks) and file pages (code paged in on first use).
        qint64 rssKiB = 0;
        qint64 anonKiB = 0;
        qint64 fileKiB = 0;
        // malloc's bytes in use, a leak without the allocator's slack; and what it holds from
        // the system, in use or free.
        double heapInUseMiB = 0;
        double heapHeldMiB = 0;

        static Memory now();
        // Growth against the reference in MiB.
        void print(const char *when, const Memory &reference) const;
    };

    Memory memory;
    Census fds;
    Census threads;

    static ProcessFigures now();
    // The descriptors and threads of the quietest moment over a few seconds with the event
    // loop running (they come and go with every scan pass), and memory at its end, right after
    // beforeMemory.
    static ProcessFigures settled(const std::function<void()> &beforeMemory = {});

    // Descriptors and threads against a reference, naming what differs.
    void printCounts(const char *when, const ProcessFigures &reference,
                     const char *referenceName) const;
};

#endif // PROCESSFIGURES_H
