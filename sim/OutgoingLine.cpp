#include "OutgoingLine.h"

void OutgoingLine::queue(const QByteArray &bytes, Clock::time_point earliest)
{
    if (bytes.isEmpty())
        return;
    const Clock::time_point start = std::max(earliest, lineFreeAt);
    stretches.append({bytes, 0, start});
    lineFreeAt = paced ? start + LineTiming::lineTime(bytes.size()) : start;
}

OutgoingLine::Clock::time_point OutgoingLine::nextDue() const
{
    if (stretches.isEmpty())
        return Clock::time_point::max();
    const Stretch &first = stretches.first();
    return paced ? first.start + LineTiming::lineTime(first.sent + 1) : first.start;
}

QByteArray OutgoingLine::takeDue(Clock::time_point now)
{
    QByteArray due;
    while (!stretches.isEmpty()) {
        Stretch &first = stretches.first();
        if (now < first.start)
            break;
        int ready = int(first.bytes.size());
        if (paced)
            ready = int(qMin<long long>(ready, (now - first.start) / LineTiming::ByteTime));
        if (ready > first.sent) {
            due.append(first.bytes.mid(first.sent, ready - first.sent));
            first.sent = ready;
        }
        if (first.sent < first.bytes.size())
            break;
        stretches.removeFirst();
    }
    return due;
}
