// The replies the scan reads: the firmware and loader probes' answers and the identification
// replies, each decoded from the same bytes as far as its length goes, and each judged by its
// check value first, as the scan does.
//
// Input: one byte that picks a bit to flip, then the reply.
#include "FuzzInput.h"
#include "ModeProbe.h"
#include "PortScan.h"
#include "ReplyCheck.h"

#include <cstring>

namespace {

// The longest reply decoded here: the long "geti".
constexpr size_t LongestReply = 36;
// The identification replies' lengths: "gser", "gfwv" and their twins; both "geti" forms.
constexpr unsigned IdentificationReplies[] = {10, 20, 36};
// Check value and echo behind the data.
constexpr unsigned ReplyTail = 6;

// A reply that passed with a right check value must fail with any one bit flipped, once the
// device is known to fill in check values: noise can't pass for the device's word.
void flippedBitFails(const char *reply, unsigned dataLength, unsigned bit)
{
    char spoilt[LongestReply];
    std::memcpy(spoilt, reply, dataLength + 2);
    bit %= (dataLength + 2) * 8;
    spoilt[bit / 8] = char(spoilt[bit / 8] ^ (1 << (bit % 8)));
    bool filledBefore = true;
    requireThat(!ReplyCheck::accepts(spoilt, dataLength, filledBefore),
                "a flipped bit fails the check");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const unsigned bit = input.byte();
    char reply[LongestReply];
    input.fill(reply);
    const bool complete = size > ModeProbe::StatusReplyLength;
    ModeProbe::decodeStatusReply(reply, complete);
    ModeProbe::decodeLoaderReply(reinterpret_cast<const unsigned char *>(reply));
    for (const unsigned length : IdentificationReplies) {
        const unsigned dataLength = length - ReplyTail;
        bool filledBefore = false;
        if (!ReplyCheck::accepts(reply, dataLength, filledBefore))
            continue;
        if (filledBefore)
            flippedBitFails(reply, dataLength, bit);
        if (length == 10) {
            PortScan::decodeSerial(reply);
            PortScan::decodeVersion(reply);
        } else {
            requireThat(PortScan::decodeName(reply).size() <= 8,
                        "the name field holds 8 characters");
        }
    }
    return 0;
}
