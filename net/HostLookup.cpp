#include "HostLookup.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace net {

namespace {

// One lookup, shared by the opener and the thread that asks the resolver: an opener that gave
// up lets go of it and the thread finishes alone.
struct Lookup {
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    FoundHost found;
};

FoundHost numericAddress(const addrinfo& found) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw = nullptr;
    if (found.ai_family == AF_INET6)
        raw = &reinterpret_cast<const sockaddr_in6*>(found.ai_addr)->sin6_addr;
    else
        raw = &reinterpret_cast<const sockaddr_in*>(found.ai_addr)->sin_addr;
    if (::inet_ntop(found.ai_family, raw, text, sizeof text) == nullptr)
        return {{}, false, "the address cannot be read"};
    return {text, found.ai_family == AF_INET6, {}};
}

std::string lookupError(int code) {
    switch (code) {
        case EAI_NONAME:
        case EAI_NODATA:
            return "unknown host";
        case EAI_AGAIN:
            return "the name server does not answer";
        default:
            return ::gai_strerror(code);
    }
}

void resolve(const std::string& host, Lookup& lookup) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int code = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
    FoundHost found = code == 0 ? numericAddress(*result) : FoundHost{{}, false, lookupError(code)};
    if (result) ::freeaddrinfo(result);
    {
        std::lock_guard guard(lookup.lock);
        lookup.found = std::move(found);
        lookup.done = true;
    }
    lookup.finished.notify_one();
}

}  // namespace

FoundHost lookUpHost(const std::string& host, std::chrono::steady_clock::time_point deadline) {
    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([host, lookup] { resolve(host, *lookup); }).detach();
    } catch (const std::system_error&) {
        return {{}, false, "the name cannot be looked up"};
    }
    std::unique_lock guard(lookup->lock);
    if (!lookup->finished.wait_until(guard, deadline, [&lookup] { return lookup->done; }))
        return {{}, false, "the name server does not answer"};
    return lookup->found;
}

}  // namespace net
