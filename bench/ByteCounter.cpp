#include "ByteCounter.h"

void ByteCounter::expect(std::size_t total) {
    std::lock_guard lock(m_mutex);
    m_completedAt.reset();
    m_count.store(0, std::memory_order_relaxed);
    m_total.store(total, std::memory_order_relaxed);
}

void ByteCounter::complete() {
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(m_mutex);
    if (m_completedAt) return;
    m_completedAt = now;
    m_completed.notify_all();
}

std::optional<ByteCounter::Clock::time_point> ByteCounter::waitComplete(
    std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    m_completed.wait_for(lock, limit, [this] { return m_completedAt.has_value(); });
    return m_completedAt;
}
