#include "SilentServers.h"

#include <chrono>
#include <map>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long a silent server's failure is answered before it is tried again: a server that comes
// back shows within a few passes.
constexpr std::chrono::seconds RetryAfter {5};

struct Silence
{
    PortError error;
    Clock::time_point since;
    bool retrying = false;
};

// Never destroyed: a retry left to finish alone may still use it while the process ends.
struct Memory
{
    std::mutex mutex;
    std::map<QString, Silence> servers;
};

Memory &memory()
{
    static Memory *const instance = new Memory;
    return *instance;
}

} // namespace

bool SilentServers::recall(const QString &devicePath, PortError *error, const Attempt &attempt)
{
    Memory &m = memory();
    std::lock_guard<std::mutex> lock(m.mutex);
    const auto found = m.servers.find(devicePath);
    if (found == m.servers.end())
        return false;
    Silence &silence = found->second;
    *error = silence.error;
    if (!silence.retrying && Clock::now() - silence.since >= RetryAfter) {
        silence.retrying = true;
        std::thread([devicePath, attempt] { note(devicePath, attempt()); }).detach();
    }
    return true;
}

void SilentServers::note(const QString &devicePath, const std::optional<PortError> &silence)
{
    Memory &m = memory();
    std::lock_guard<std::mutex> lock(m.mutex);
    if (silence)
        m.servers[devicePath] = {*silence, Clock::now(), false};
    else
        m.servers.erase(devicePath);
}
