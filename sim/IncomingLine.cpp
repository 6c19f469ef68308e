#include "IncomingLine.h"

void IncomingLine::receive(const QByteArray &data, Clock::time_point now)
{
    if (data.isEmpty())
        return;
    const Clock::time_point start = paced ? std::max(now, lineFreeAt) : now;
    buffer.append(data);
    chunks.append({int(data.size()), start});
    lineFreeAt = start + LineTiming::lineTime(data.size());
}

IncomingLine::Clock::time_point IncomingLine::arrivalOf(int count) const
{
    int before = 0;
    for (const Chunk &chunk : chunks) {
        if (count <= before + chunk.size) {
            const int position = count - before;
            return paced ? chunk.start + LineTiming::lineTime(position) : chunk.start;
        }
        before += chunk.size;
    }
    return chunks.isEmpty() ? Clock::time_point() : lineFreeAt;
}

void IncomingLine::consume(int count)
{
    count = qMin(count, int(buffer.size()));
    buffer.remove(0, count);
    while (count > 0 && !chunks.isEmpty()) {
        Chunk &first = chunks.first();
        const int taken = qMin(count, first.size);
        first.size -= taken;
        if (paced)
            first.start += LineTiming::lineTime(taken);
        count -= taken;
        if (first.size == 0)
            chunks.removeFirst();
    }
}
