#ifndef DEVICEFAULT_H
#define DEVICEFAULT_H

#include "DeviceReply.h"

#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

// One misbehaviour of a simulated device, aimed at the requests of one name ("geti", "RESET",
// "WRITE DATA", "1g", "loader-probe", "?" or "*" for every request).
//
// NoReply, BadStatus and Unplug refuse the request: it has no effect. Every other kind lets the
// request take effect and only spoils the reply on its way back. A RESET has no reply, so a
// RESET "fails" by being ignored (NoReply or BadStatus): the device stays in its mode.
struct DeviceFault
{
    enum Kind {
        NoReply, // ignore the request
        ShortReply, // send only the first `bytes` bytes (default: all but the last)
        WrongEcho, // replace the echo / frame code / probe answer with `payload` (default: its
                   // bits inverted)
        BadStatus, // loader: refuse with status `value`; firmware: refuse with "errc"
        BadCheck, // the reply's check value is wrong (loader status replies: their trailer)
        NoCheck, // the check value is left zero, as by a device that fills in none
        FlipBit, // the lowest bit of byte `bytes` (default 0) inverted after the check value
                 // was computed: noise on the line
        Garbage, // send `payload` instead (default: as many scrambled bytes as the reply)
        Split, // send the reply in pieces of `bytes` bytes (default 1), `delayMs` apart
        LateTail, // hold the last `bytes` bytes (default 1) back for `delayMs` (default 500)
        Unplug // the line disappears as soon as the request has arrived
    };

    QString request = QStringLiteral("*");
    Kind kind = NoReply;
    int skip = 0; // matching requests served normally before the fault strikes
    int times = 1; // matching requests it strikes after that; negative: every one
    int bytes = -1;
    int delayMs = -1;
    int value = 1;
    QByteArray payload;

    // A fault of `kind` on the requests named `request`: `skip` of them pass, then it strikes
    // `times` of them.
    static DeviceFault on(const QString &request, Kind kind, int skip = 0, int times = 1);

    bool refusesRequest() const { return kind == NoReply || kind == BadStatus || kind == Unplug; }
    bool matches(const QString &requestName) const;
    // The reply as this fault lets it go out.
    QList<ReplyPiece> shape(const DeviceReply &reply) const;

    static QString kindName(Kind kind);
    static std::optional<Kind> kindFromName(const QString &name);
};

Q_DECLARE_METATYPE(DeviceFault)

#endif // DEVICEFAULT_H
