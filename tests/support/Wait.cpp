#include "Wait.h"

#include <algorithm>
#include <thread>

int Deadline::millisecondsLeft() const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_end - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const Deadline deadline(limit);
    while (!condition()) {
        if (deadline.passed()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
