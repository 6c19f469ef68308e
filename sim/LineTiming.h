#ifndef LINETIMING_H
#define LINETIMING_H

#include <chrono>

namespace LineTiming {

using Clock = std::chrono::steady_clock;

constexpr long long BitsPerSecond = 115200;
// Start bit, 8 data bits, two stop bits.
constexpr long long BitsPerByte = 11;
// 95486.1 ns, rounded up: a paced line may lag the wire by a fraction of a nanosecond a byte,
// never run ahead of it.
constexpr Clock::duration ByteTime =
    std::chrono::nanoseconds((BitsPerByte * 1000000000LL + BitsPerSecond - 1) / BitsPerSecond);

// How long `bytes` bytes take on the line.
constexpr Clock::duration lineTime(long long bytes)
{
    return ByteTime * bytes;
}

} // namespace LineTiming

#endif // LINETIMING_H
