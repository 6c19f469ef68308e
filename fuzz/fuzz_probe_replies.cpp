// The replies the scan reads: the firmware and loader probes' answers and the identification
// replies, each decoded from the same bytes as far as its length goes.
#include "FuzzInput.h"
#include "ModeProbe.h"
#include "PortScan.h"

// The longest reply decoded here: the long "geti".
constexpr size_t LongestReply = 36;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    char reply[LongestReply];
    FuzzInput(data, size).fill(reply);
    const bool complete = size >= ModeProbe::StatusReplyLength;
    ModeProbe::decodeStatusReply(reply, complete);
    ModeProbe::decodeLoaderReply(reinterpret_cast<const unsigned char *>(reply));
    requireThat(PortScan::decodeName(reply).size() <= 8, "the name field holds 8 characters");
    PortScan::decodeSerial(reply);
    PortScan::decodeVersion(reply);
    return 0;
}
