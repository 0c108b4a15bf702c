#include "HostLookup.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <signal.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

// One lookup, shared by the opener and the resolver's thread: whichever lets go last frees it,
// so an opener that gave up does not wait for the resolver.
struct Lookup {
    std::string host;
    addrinfo hints{};
    gaicb request{};
    sigevent notice{};
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    std::atomic<int> holders = 2;

    void release() {
        if (--holders > 0) return;
        if (request.ar_result) ::freeaddrinfo(request.ar_result);
        delete this;
    }
    static void onDone(sigval value) {
        auto* lookup = static_cast<Lookup*>(value.sival_ptr);
        {
            std::lock_guard guard(lookup->lock);
            lookup->done = true;
        }
        lookup->finished.notify_one();
        lookup->release();
    }
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

}  // namespace

FoundHost lookUpHost(const std::string& host, std::chrono::steady_clock::time_point deadline) {
    auto* lookup = new Lookup;
    lookup->host = host;
    lookup->hints.ai_family = AF_UNSPEC;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_request = &lookup->hints;
    lookup->notice.sigev_notify = SIGEV_THREAD;
    lookup->notice.sigev_notify_function = &Lookup::onDone;
    lookup->notice.sigev_value.sival_ptr = lookup;
    gaicb* requests[] = {&lookup->request};
    if (::getaddrinfo_a(GAI_NOWAIT, requests, 1, &lookup->notice) != 0) {
        delete lookup;
        return {{}, false, "the name cannot be looked up"};
    }

    std::unique_lock guard(lookup->lock);
    if (!lookup->finished.wait_until(guard, deadline, [lookup] { return lookup->done; })) {
        guard.unlock();
        // A request cancelled before it ran never sends its notice: both holds are ours.
        if (::gai_cancel(&lookup->request) == EAI_CANCELED) lookup->release();
        lookup->release();
        return {{}, false, "the name server does not answer"};
    }
    guard.unlock();
    const int state = ::gai_error(&lookup->request);
    FoundHost found = state == 0 ? numericAddress(*lookup->request.ar_result)
                                 : FoundHost{{}, false, lookupError(state)};
    lookup->release();
    return found;
}
