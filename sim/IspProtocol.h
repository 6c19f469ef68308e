#ifndef ISPPROTOCOL_H
#define ISPPROTOCOL_H

#include "DeviceProtocol.h"

// A chip in its in-system-programming mode: it echoes the single byte "?" while the line runs
// with one stop bit, and ignores everything else. With `echoes` false it is a port with
// nothing attached.
class IspProtocol : public DeviceProtocol
{
public:
    explicit IspProtocol(bool echoes) : echoes(echoes) { }

    Cut cut(const QByteArray &input) const override;
    DeviceReply answer(const DeviceRequest &request, DeviceContext &context) const override;
    DeviceReply refuse(const DeviceRequest &, int) const override { return {}; }

private:
    bool echoes;
};

#endif // ISPPROTOCOL_H
