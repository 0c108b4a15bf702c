#pragma once
// The frames a port handed to its device whole since its output queue was last known empty, as
// far back as that queue can hold: a flush throws away those still in it, and they are told as
// perhaps not sent. Kept as one run of bytes and the frames' lengths, so that a port whose
// driver cannot say how much it holds (a pseudo-terminal) keeps a queue's worth of bytes, not a
// queue's worth of separate frames. Not thread-safe: its owner guards it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

namespace serial {

class HandedOverFrames {
  public:
    explicit HandedOverFrames(std::size_t mostBytes) : m_mostBytes(mostBytes) {}

    // The oldest frames go once the newer ones alone fill what the queue can hold.
    void add(std::span<const std::uint8_t> frame);
    void clear();
    // The newest frames, back to the one that reaches `bytes` from the end, oldest first; all
    // of them are forgotten.
    std::vector<std::vector<std::uint8_t>> takeNewest(std::size_t bytes);

    std::size_t frames() const { return m_sizes.size(); }

  private:
    std::size_t m_mostBytes;
    std::deque<std::uint8_t> m_bytes;
    std::deque<std::uint32_t> m_sizes;
};

}  // namespace serial
