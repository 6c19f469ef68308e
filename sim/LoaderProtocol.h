#ifndef LOADERPROTOCOL_H
#define LOADERPROTOCOL_H

#include "DeviceProtocol.h"

// The serial loader: frames of code, length, data and check value, cut by their length field,
// so that a frame may arrive in several writes. Every frame but RESET gets a 6-byte status
// reply: the code, the status and the crc16 of those four bytes as trailer. Status 1 refuses a
// frame out of order (no CONNECT yet, WRITE DATA before any NEW SECTION) or an address that is
// not 8 bytes long; status 2 answers an unknown code.
//
// A frame whose check value is wrong, or whose length no frame can have, is answered with the
// two bytes EC EE and changes nothing; the loader probe 44 11 00 00 43 37 is such a frame.
// "1g" gets the 8-byte "nn" answer. RESET boots intact firmware and otherwise just drops the
// connection. CONNECT erases the installed firmware; DISCONNECT after it installs the image.
class LoaderProtocol : public DeviceProtocol
{
public:
    enum Status : quint16 { Accepted = 0, Refused = 1, UnknownCode = 2 };

    Cut cut(const QByteArray &input) const override;
    DeviceReply answer(const DeviceRequest &request, DeviceContext &context) const override;
    DeviceReply refuse(const DeviceRequest &request, int status) const override;

    static QString frameName(quint16 code);

private:
    static quint16 carryOut(quint16 code, const QByteArray &data, DeviceContext &context);
};

#endif // LOADERPROTOCOL_H
