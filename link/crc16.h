#ifndef CRC16_H
#define CRC16_H

#include <QtGlobal>

// CRC-16/MODBUS (polynomial 0xA001 reflected, initial value 0xFFFF, no final XOR): the check
// value of both device protocols, sent low byte first. No state; safe on any thread.
quint16 crc16(const void *data, unsigned len);

#endif // CRC16_H
