#include "crc16.h"

quint16 crc16(const void *data, unsigned len)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    quint16 crc = 0xFFFF;
    for (unsigned i = 0; i < len; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}
