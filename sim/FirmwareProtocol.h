#ifndef FIRMWAREPROTOCOL_H
#define FIRMWAREPROTOCOL_H

#include "DeviceProtocol.h"

// Running firmware: four-letter command words, a few of them followed by a data block and its
// check value. Replies end with the command word, except "1234", which starts with it.
//
// Commands the profile marks as unknown, and words it can't read, get no reply; "1g" (the
// loader's question) gets "errc" or "yy"; "scal" and "s002" get "errc" when their check value
// is wrong or calibration mode was not entered; a RESET frame switches to the loader.
class FirmwareProtocol : public DeviceProtocol
{
public:
    Cut cut(const QByteArray &input) const override;
    DeviceReply answer(const DeviceRequest &request, DeviceContext &context) const override;
    DeviceReply refuse(const DeviceRequest &request, int status) const override;

private:
    static DeviceReply getInfo(const DeviceProfile &profile);
    static DeviceReply measurements(const DeviceProfile &profile, bool oldForm);
    static DeviceReply storeCalibration(const DeviceRequest &request, DeviceState &state);
};

#endif // FIRMWAREPROTOCOL_H
