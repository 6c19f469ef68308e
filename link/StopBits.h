#ifndef STOPBITS_H
#define STOPBITS_H

// The stop bits of the devices' line: two normally, one for the probe of a chip in ISP mode.
enum class StopBits { One, Two };

#endif // STOPBITS_H
