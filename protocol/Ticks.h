#pragma once
// The pace of the receive step: it runs once a tick, and a block of received bytes ends on the
// tick that finds kSilentTicks ticks gone without a byte, 300 to 400 ms after its last byte.

#include <chrono>

namespace proto {

inline constexpr std::chrono::milliseconds kTickPeriod{100};
inline constexpr int kSilentTicks = 3;
// A reply is over this long after its last byte.
inline constexpr std::chrono::milliseconds kReplySilence = kSilentTicks * kTickPeriod;

}  // namespace proto
