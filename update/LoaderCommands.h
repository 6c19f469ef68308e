#ifndef LOADERCOMMANDS_H
#define LOADERCOMMANDS_H

#include <QByteArray>
#include <QtGlobal>

class ComPort;

// The binary frames of a device's loader, sent on an open link. Every frame but the reset is
// answered with a 6-byte status: the code echoed, a status word that is 0 when accepted, and
// the check value of the four before them, which ReplyCheck judges: a wrong one fails the frame,
// since noise could have turned a refusal into an acceptance. A loader that leaves it zero is
// served as before, until it has sent a right one; from then on, those to a repeated CONNECT
// included, every reply of the job must carry a right one.
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

    // checksFilled: where the job keeps whether its loader fills in check values, so that a
    // repeat of the whole update does not forget it; null for this object alone.
    explicit LoaderCommands(ComPort &link, bool *checksFilled = nullptr);

    // Writes the reset frame; no reply comes. True when the frame was written.
    bool loaderReset();
    bool loaderConnect();
    // Sends the first addressLength bytes of text (zero bytes fill a shorter text).
    bool loaderSetAddress(QByteArray text);
    // Sends at most the first 32 bytes of data.
    bool loaderWriteData(QByteArray data);
    bool loaderFinish();

    static constexpr int replyLength = 6;
    // Whether a status reply accepts the frame of this code; checksFilled as for
    // ReplyCheck::accepts.
    static bool replyAccepts(quint16 code, const uchar *reply, bool &checksFilled);

private:
    static constexpr int headLength = 4;
    static constexpr int checkLength = 2;

    bool exchange(quint16 code, const QByteArray &data);
    static QByteArray head(quint16 code, int dataLength);
    static QByteArray checkValue(const QByteArray &bytes);

    ComPort &link;
    bool ownChecksFilled = false;
    bool &checksFilled;
};

#endif // LOADERCOMMANDS_H
