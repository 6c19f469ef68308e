#ifndef DEVICEREPLY_H
#define DEVICEREPLY_H

#include <QByteArray>

// A reply as a device means to send it, with the parts that faults tamper with marked.
struct DeviceReply
{
    QByteArray bytes;
    // The part the program matches against its request: the echoed command word, the echoed
    // frame code, a probe's answer letters, or the whole of a short fixed answer.
    int echoAt = -1;
    int echoSize = 0;
    // The 2-byte check value (for loader status replies: their two trailer bytes).
    int checkAt = -1;

    bool isEmpty() const { return bytes.isEmpty(); }
};

// One stretch of a reply on the wire, sent delayMs after the previous stretch started.
struct ReplyPiece
{
    int delayMs = 0;
    QByteArray bytes;
};

#endif // DEVICEREPLY_H
