#include "Readiness.h"

#include <poll.h>
#include <sys/epoll.h>

#include <algorithm>
#include <cerrno>

#include "SystemError.h"

namespace sim {

namespace {

constexpr int kMostAtOnce = 64;

// The two sets of flags name the same conditions with the same values on Linux; converted by
// name all the same.
std::uint32_t epollEvents(short events) {
    std::uint32_t out = 0;
    if ((events & POLLIN) != 0) out |= EPOLLIN;
    if ((events & POLLOUT) != 0) out |= EPOLLOUT;
    return out;
}

short pollEvents(std::uint32_t events) {
    short out = 0;
    if ((events & EPOLLIN) != 0) out |= POLLIN;
    if ((events & EPOLLOUT) != 0) out |= POLLOUT;
    if ((events & EPOLLHUP) != 0) out |= POLLHUP;
    if ((events & EPOLLERR) != 0) out |= POLLERR;
    return out;
}

}  // namespace

Readiness::Readiness() : m_epoll(::epoll_create1(EPOLL_CLOEXEC)) {
    if (!m_epoll) throw systemFailure("cannot create an epoll descriptor");
}

void Readiness::watch(int fd, std::uint64_t key, short events) {
    epoll_event event{};
    event.events = epollEvents(events);
    event.data.u64 = key;
    const bool known = std::find(m_watched.begin(), m_watched.end(), fd) != m_watched.end();
    if (::epoll_ctl(m_epoll.get(), known ? EPOLL_CTL_MOD : EPOLL_CTL_ADD, fd, &event) != 0)
        throw systemFailure("cannot watch a terminal");
    if (!known) m_watched.push_back(fd);
}

void Readiness::forget(int fd) {
    const auto watched = std::find(m_watched.begin(), m_watched.end(), fd);
    if (watched == m_watched.end()) return;
    ::epoll_ctl(m_epoll.get(), EPOLL_CTL_DEL, fd, nullptr);
    m_watched.erase(watched);
}

std::vector<Readiness::Ready> Readiness::wait(std::optional<Clock::time_point> until) {
    timespec timeout{};
    if (until) {
        const auto wait = std::max(*until - Clock::now(), Clock::duration{});
        const auto seconds = std::chrono::floor<std::chrono::seconds>(wait);
        timeout = {static_cast<time_t>(seconds.count()),
                   static_cast<long>(std::chrono::nanoseconds(wait - seconds).count())};
    }
    epoll_event events[kMostAtOnce];
    const int count =
        ::epoll_pwait2(m_epoll.get(), events, kMostAtOnce, until ? &timeout : nullptr, nullptr);
    if (count < 0) {
        if (errno == EINTR) return {};
        throw systemFailure("cannot wait for the terminals");
    }
    std::vector<Ready> ready;
    for (int k = 0; k < count; ++k)
        ready.push_back({events[k].data.u64, pollEvents(events[k].events)});
    return ready;
}

}  // namespace sim
