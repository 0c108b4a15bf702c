#pragma once
// Counts bytes as one reader thread receives them and notes the moment an expected total is
// reached. The reader's side costs a plain store per call, so counting does not slow the
// stream it measures; only the byte that completes the total reads the clock.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>

class ByteCounter {
  public:
    using Clock = std::chrono::steady_clock;

    // Bench thread, while no byte is in flight: count afresh towards total.
    void expect(std::size_t total);

    // Reader thread.
    void add(std::size_t bytes) {
        const std::size_t count = m_count.load(std::memory_order_relaxed) + bytes;
        m_count.store(count, std::memory_order_relaxed);
        if (count >= m_total.load(std::memory_order_relaxed)) complete();
    }

    // Bench thread: when the total was reached, or nothing after limit.
    std::optional<Clock::time_point> waitComplete(std::chrono::milliseconds limit);
    std::size_t count() const { return m_count.load(std::memory_order_relaxed); }

  private:
    void complete();

    std::atomic<std::size_t> m_count = 0;
    std::atomic<std::size_t> m_total = 0;
    std::mutex m_mutex;
    std::condition_variable m_completed;
    std::optional<Clock::time_point> m_completedAt;
};
