#pragma once
// Cuts the byte stream the tool sends into frames by their envelope: type 0x01 or 0x05, reserved
// 0x00, code, N, N payload bytes, check byte. Bytes that cannot start a frame are dropped one at
// a time until a frame start lines up again.

#include <cstdint>
#include <vector>

#include "Frame.h"

namespace sim {

struct Received {
    enum class Kind {
        kFrame,     // a whole frame whose bytes XOR to 0
        kBadCheck,  // a whole frame by its length byte, but its check byte is wrong
        kGarbage,   // bytes dropped while looking for a frame start
    };
    Kind kind = Kind::kGarbage;
    proto::Frame bytes;
};

class FrameParser {
  public:
    std::vector<Received> feed(proto::Bytes bytes);

    // The line has been silent with part of a frame pending: that frame will never complete, so
    // its first byte is dropped and the rest is scanned again (it may hold a whole frame).
    std::vector<Received> flushStale();

    bool hasPending() const { return !m_pending.empty(); }

  private:
    std::vector<Received> scan(bool stale);

    std::vector<std::uint8_t> m_pending;
};

}  // namespace sim
