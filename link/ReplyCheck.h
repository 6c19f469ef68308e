#ifndef REPLYCHECK_H
#define REPLYCHECK_H

// The check value behind the data of a device's reply: the crc16 of the data, low byte first,
// or zero from a device that fills in none. Noise on the line makes it wrong, and such a reply
// counts as none; once a device has sent a right one, a zero is noise too. The scan, the
// calibration and the loader judge their replies by this one rule.
namespace ReplyCheck {

enum Verdict { Right, NotFilled, Wrong };

// The check value is the two bytes right after the data.
Verdict of(const void *data, unsigned dataLength);

// Whether the reply may be used. filledBefore: whether this device has sent a right check value
// before (in this job or scan of its port); a right one sets it.
bool accepts(const void *data, unsigned dataLength, bool &filledBefore);

} // namespace ReplyCheck

#endif // REPLYCHECK_H
