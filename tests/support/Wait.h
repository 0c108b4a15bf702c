#pragma once
// Bounded waits for real I/O in tests: a test never sleeps a fixed time, it waits until
// something has happened or a generous limit has passed.

#include <chrono>
#include <functional>

class Deadline {
  public:
    explicit Deadline(std::chrono::milliseconds limit)
        : m_end(std::chrono::steady_clock::now() + limit) {}
    int millisecondsLeft() const;
    bool passed() const { return millisecondsLeft() == 0; }

  private:
    std::chrono::steady_clock::time_point m_end;
};

// Checks condition every few milliseconds until it holds (true) or limit passes (false).
bool waitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
