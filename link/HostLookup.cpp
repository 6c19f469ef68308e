#include "HostLookup.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long an answer serves later lookups of the same host.
constexpr std::chrono::seconds AnswerKeptFor {10};
// A host with more addresses than this is tried on its first few only.
constexpr int MostAddresses = 4;

struct PendingLookup
{
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    HostLookup::Result result;
};

struct KeptAnswer
{
    HostLookup::Result result;
    Clock::time_point until;
};

// Never destroyed: a lookup thread left to finish alone may still use it while the process ends.
struct Registry
{
    std::mutex mutex;
    std::map<QString, std::shared_ptr<PendingLookup>> inFlight;
    std::map<QString, KeptAnswer> kept;
};

Registry &registry()
{
    static Registry *const instance = new Registry;
    return *instance;
}

HostLookup::Result systemLookUp(const QByteArray &host, int flags)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo *found = nullptr;
    const int failure = getaddrinfo(host.constData(), nullptr, &hints, &found);
    HostLookup::Result result;
    if (failure != 0) {
        result.error = {PortError::HostNotFound, QString::fromLocal8Bit(gai_strerror(failure))};
        return result;
    }
    for (const addrinfo *entry = found; entry && result.addresses.size() < MostAddresses;
         entry = entry->ai_next) {
        char text[INET6_ADDRSTRLEN] = {};
        const void *raw = entry->ai_family == AF_INET6
            ? static_cast<const void *>(
                &reinterpret_cast<sockaddr_in6 *>(entry->ai_addr)->sin6_addr)
            : static_cast<const void *>(&reinterpret_cast<sockaddr_in *>(entry->ai_addr)->sin_addr);
        if ((entry->ai_family == AF_INET || entry->ai_family == AF_INET6)
            && inet_ntop(entry->ai_family, raw, text, sizeof text))
            result.addresses.append({QByteArray(text), entry->ai_family == AF_INET6});
    }
    freeaddrinfo(found);
    return result;
}

// The caller holds the registry's lock.
std::shared_ptr<PendingLookup> startLookUp(const QString &host)
{
    auto pending = std::make_shared<PendingLookup>();
    std::thread([pending, host] {
        HostLookup::Result result = systemLookUp(host.toUtf8(), 0);
        {
            Registry &r = registry();
            std::lock_guard<std::mutex> lock(r.mutex);
            r.inFlight.erase(host);
            if (!result.addresses.isEmpty())
                r.kept[host] = {result, Clock::now() + AnswerKeptFor};
        }
        std::lock_guard<std::mutex> lock(pending->mutex);
        pending->result = std::move(result);
        pending->done = true;
        pending->finished.notify_all();
    }).detach();
    return pending;
}

} // namespace

HostLookup::Result HostLookup::lookUp(const QString &host, std::chrono::milliseconds limit)
{
    // An address written as such needs no lookup. It is passed on as written, so that a
    // link-local one keeps its zone ("fe80::1%eth0").
    Result numeric = systemLookUp(host.toUtf8(), AI_NUMERICHOST);
    if (!numeric.addresses.isEmpty()) {
        numeric.addresses = {{host.toUtf8(), numeric.addresses.first().ipv6}};
        return numeric;
    }

    const Clock::time_point deadline = Clock::now() + limit;
    std::shared_ptr<PendingLookup> pending;
    {
        Registry &r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        const auto answer = r.kept.find(host);
        if (answer != r.kept.end() && answer->second.until > Clock::now())
            return answer->second.result;
        std::shared_ptr<PendingLookup> &slot = r.inFlight[host];
        if (!slot)
            slot = startLookUp(host);
        pending = slot;
    }

    std::unique_lock<std::mutex> lock(pending->mutex);
    if (!pending->finished.wait_until(lock, deadline, [&pending] { return pending->done; })) {
        Result late;
        late.error = {
            PortError::HostNotFound,
            QStringLiteral("no answer from the name lookup within %1 ms").arg(limit.count())};
        return late;
    }
    return pending->result;
}
