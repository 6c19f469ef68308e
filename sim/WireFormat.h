#ifndef WIREFORMAT_H
#define WIREFORMAT_H

#include "DeviceReply.h"

#include <QByteArray>

// Byte-level pieces that the firmware and the loader of a simulated device share.
namespace WireFormat {

// Requests that look the same in every mode.
QByteArray resetFrame(); // 00 F0 00 00: RESET, no check value, no reply
QByteArray firmwareProbe(); // 31 67 00 00: "1g" and two zero bytes
QByteArray loaderProbe(); // 44 11 00 00 43 37: empty WRITE DATA head, fixed tail
QByteArray loaderProbeHead();

quint16 readLe16(const QByteArray &bytes, int at);
void appendLe16(QByteArray &bytes, quint16 value);

// The bytes followed by their crc16, low byte first.
QByteArray withCheck(const QByteArray &bytes);
// Whether the last two bytes are the crc16 of the ones before them.
bool checkMatches(const QByteArray &bytes);

// The 8-byte answer to "1g": four filler bytes, two answer letters, check over the six.
DeviceReply probeAnswer(const QByteArray &letters);
// A short answer that is matched as a whole ("errc", EC EE, "?").
DeviceReply fixedAnswer(const QByteArray &bytes);

} // namespace WireFormat

#endif // WIREFORMAT_H
