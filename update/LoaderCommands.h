#ifndef LOADERCOMMANDS_H
#define LOADERCOMMANDS_H

#include <QByteArray>
#include <QtGlobal>

class ComPort;

// The binary frames of a device's loader, sent on an open link. Every frame but the reset is
// answered with a 6-byte status: the code echoed, a status word that is 0 when accepted, and
// two bytes that a loader may fill with the check value of the four before them.
//
// Once a reply to CONNECT has carried a valid check value, every later reply of the job must
// too, those to a repeated CONNECT included: noise that turns a refusal into an acceptance
// then fails the frame instead of passing. A loader that leaves those bytes unfilled is served
// as before.
class LoaderCommands
{
public:
    static constexpr quint16 ResetCode = 0xF000;
    static constexpr quint16 ConnectCode = 0x1234;
    static constexpr quint16 SetAddressCode = 0x4411;
    static constexpr quint16 WriteDataCode = 0x1144;
    static constexpr quint16 FinishCode = 0x4321;

    // The address a set-address frame carries, in bytes.
    static constexpr int addressLength = 8;
    static constexpr int maxDataLength = 32;

    // repliesChecked: where the job keeps whether its loader fills in check values, so that a
    // repeat of the whole update does not forget it; null for this object alone.
    explicit LoaderCommands(ComPort &link, bool *repliesChecked = nullptr);

    // Writes the reset frame; no reply comes. True when the frame was written.
    bool loaderReset();
    bool loaderConnect();
    // Sends the first addressLength bytes of text (zero bytes fill a shorter text).
    bool loaderSetAddress(QByteArray text);
    // Sends at most the first 32 bytes of data.
    bool loaderWriteData(QByteArray data);
    bool loaderFinish();

    static constexpr int replyLength = 6;
    // Whether a status reply carries the check value of its first four bytes.
    static bool replyChecked(const uchar *reply);
    // Whether a status reply accepts the frame of this code. checkRequired: the reply must be
    // checked, or it counts as a refusal.
    static bool replyAccepts(quint16 code, const uchar *reply, bool checkRequired);

private:
    static constexpr int headLength = 4;
    static constexpr int checkLength = 2;

    bool exchange(quint16 code, const QByteArray &data);
    static QByteArray head(quint16 code, int dataLength);
    static QByteArray checkValue(const QByteArray &bytes);
    bool accepted(quint16 code, const uchar *reply);

    ComPort &link;
    bool ownRepliesChecked = false;
    bool &repliesChecked;
};

#endif // LOADERCOMMANDS_H
