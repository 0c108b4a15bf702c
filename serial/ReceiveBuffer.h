#pragma once
// The receive buffer shared by the reader thread (appends) and the window thread (the
// receive step). The step takes the pending block and resets in one locked step, so a byte
// that arrives while the block is being handled is kept for the next block.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "Ticks.h"

namespace serial {

struct ReceivedBlock {
    std::vector<std::uint8_t> bytes;
    std::size_t dropped = 0;  // bytes refused because the buffer was full
    // When the reader took in the last byte: the silence that cuts the block comes after it.
    std::chrono::steady_clock::time_point lastArrival{};
};

class ReceiveBuffer {
  public:
    static constexpr std::size_t kCapacity = 1024;
    static constexpr int kIdle = -1;
    static constexpr int kSilentTicks =
        proto::kSilentTicks;  // a block is cut on the tick that finds them

    // Reader thread: store one byte (or count it as dropped) and set the idle counter to 0.
    // True when the byte starts a pending block, so the window knows to tick again.
    bool append(std::uint8_t byte);

    // Window thread, once per tick: ages the idle counter and returns the block on
    // the tick that finds it at kSilentTicks or more.
    std::optional<ReceivedBlock> tick();

    int idleCounter() const;
    std::size_t count() const;
    // Bytes refused since the last block was cut: with count(), every byte the reader took.
    std::size_t dropped() const;

  private:
    mutable std::mutex m_mutex;
    std::uint8_t m_bytes[kCapacity] = {};
    std::size_t m_count = 0;
    int m_idle = kIdle;
    std::size_t m_dropped = 0;
    std::chrono::steady_clock::time_point m_lastArrival{};
};

}  // namespace serial
