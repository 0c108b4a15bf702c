#include "WatchInbox.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <system_error>

namespace watch {

WatchInbox::WatchInbox() : m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!m_wake) throw std::system_error(errno, std::generic_category(), "eventfd");
}

void WatchInbox::wake() {
    const std::uint64_t one = 1;
    // A full counter is still readable, which is all a wake-up needs.
    [[maybe_unused]] const ssize_t written = ::write(m_wake.get(), &one, sizeof one);
}

WatchNews WatchInbox::take() {
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_wake.get(), &count, sizeof count);
    std::lock_guard lock(m_lock);
    return std::exchange(m_news, {});
}

void WatchInbox::portOpened(const std::string& port) {
    {
        std::lock_guard lock(m_lock);
        m_news.ports.push_back({port, true, {}, WallClock::now()});
    }
    wake();
}

void WatchInbox::portFailed(const std::string& port, const std::string& reason) {
    {
        std::lock_guard lock(m_lock);
        m_news.ports.push_back({port, false, reason, WallClock::now()});
    }
    wake();
}

void WatchInbox::heard(const std::string& port, std::uint16_t node) {
    bool first = false;
    {
        std::lock_guard lock(m_lock);
        first = m_news.empty();
        m_news.heard[node] = {port, WallClock::now()};
    }
    // A flood of notices wakes the loop once until it takes them.
    if (first) wake();
}

void WatchInbox::moduleRead(std::uint64_t round, mesh::SurveyedPort module) {
    {
        std::lock_guard lock(m_lock);
        m_news.reads.push_back({round, std::move(module)});
    }
    wake();
}

void WatchInbox::probeWritten(std::size_t probe,
                              std::optional<std::chrono::steady_clock::time_point> onWire) {
    {
        std::lock_guard lock(m_lock);
        m_news.probeWrites.push_back({probe, onWire});
    }
    wake();
}

void WatchInbox::noticed(const std::string& port, proto::Frame notice,
                         std::chrono::steady_clock::time_point at) {
    {
        std::lock_guard lock(m_lock);
        // A flood the loop cannot keep up with loses its oldest, as a full notice queue would.
        if (m_news.notices.size() >= kMostNotices) m_news.notices.erase(m_news.notices.begin());
        m_news.notices.push_back({port, std::move(notice), at});
    }
    wake();
}

void WatchInbox::brokerChanged() {
    {
        std::lock_guard lock(m_lock);
        m_news.brokerChanged = true;
    }
    wake();
}

}  // namespace watch
