#ifndef DEVICEPROTOCOL_H
#define DEVICEPROTOCOL_H

#include "DeviceProfile.h"
#include "DeviceReply.h"
#include "DeviceState.h"
#include "WireFormat.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>

struct DeviceRequest
{
    QString name;
    QByteArray bytes;
};

// Where a request is carried out: the device's state, its profile and its line.
struct DeviceContext
{
    DeviceState &state;
    const DeviceProfile &profile;
    bool oneStopBit;
    std::chrono::steady_clock::time_point now;
};

// How a device in one mode cuts its input into requests and answers them.
class DeviceProtocol
{
public:
    struct Cut
    {
        bool complete = false; // false: the request at the front needs more bytes
        int length = 0;
        QString name;
    };

    virtual ~DeviceProtocol() = default;

    // Looks at the front of the input. Bytes the device can't make sense of come back as one
    // complete request with a name of its own ("unknown", "frame error", "ignored").
    virtual Cut cut(const QByteArray &input) const = 0;
    virtual DeviceReply answer(const DeviceRequest &request, DeviceContext &context) const = 0;
    // The reply when the device refuses the request with that status, without carrying it out.
    virtual DeviceReply refuse(const DeviceRequest &request, int status) const = 0;

protected:
    static Cut needMore() { return {}; }
    static Cut request(int length, const QString &name) { return {true, length, name}; }

    // The 4-byte requests that read the same in firmware and loader: RESET and "1g".
    static std::optional<Cut> sharedRequest(const QByteArray &input)
    {
        const QByteArray head = input.left(4);
        if (head == WireFormat::resetFrame())
            return request(4, QStringLiteral("RESET"));
        if (head == WireFormat::firmwareProbe())
            return request(4, QStringLiteral("1g"));
        return std::nullopt;
    }
};

#endif // DEVICEPROTOCOL_H
