#ifndef INCOMINGLINE_H
#define INCOMINGLINE_H

#include "LineTiming.h"

#include <QByteArray>
#include <QList>

// The bytes a device has received and not yet taken as requests, with the time each one
// finished arriving. Paced, bytes arrive one after another at line speed, however fast the
// program wrote them into the pseudo-terminal; unpaced, they arrive when they are read.
class IncomingLine
{
public:
    using Clock = LineTiming::Clock;

    explicit IncomingLine(bool paced) : paced(paced) { }

    void receive(const QByteArray &data, Clock::time_point now);
    const QByteArray &bytes() const { return buffer; }
    bool isEmpty() const { return buffer.isEmpty(); }

    // When the first `count` bytes (count >= 1) have all arrived.
    Clock::time_point arrivalOf(int count) const;
    Clock::time_point lastArrival() const { return arrivalOf(int(buffer.size())); }

    void consume(int count);

private:
    struct Chunk
    {
        int size;
        Clock::time_point start;
    };

    bool paced;
    QByteArray buffer;
    QList<Chunk> chunks;
    Clock::time_point lineFreeAt;
};

#endif // INCOMINGLINE_H
