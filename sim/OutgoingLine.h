#ifndef OUTGOINGLINE_H
#define OUTGOINGLINE_H

#include "LineTiming.h"

#include <QByteArray>
#include <QList>

// The bytes a device has decided to send and when each may leave. Stretches go out in the
// order they were queued; paced, each byte is handed to the pseudo-terminal only once it
// would have crossed the line at 115200 bit/s.
class OutgoingLine
{
public:
    using Clock = LineTiming::Clock;

    explicit OutgoingLine(bool paced) : paced(paced) { }

    // Queues bytes that start no earlier than `earliest`, after everything already queued.
    void queue(const QByteArray &bytes, Clock::time_point earliest);
    bool isIdle() const { return stretches.isEmpty(); }
    // When the next byte is due; Clock::time_point::max() when idle.
    Clock::time_point nextDue() const;
    // Removes and returns the bytes due by `now`.
    QByteArray takeDue(Clock::time_point now);

private:
    struct Stretch
    {
        QByteArray bytes;
        int sent;
        Clock::time_point start;
    };

    bool paced;
    QList<Stretch> stretches;
    Clock::time_point lineFreeAt;
};

#endif // OUTGOINGLINE_H
