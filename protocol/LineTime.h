#pragma once
// How long a serial line takes to carry bytes: each byte a start bit, 8 data bits, a parity bit
// when the line has parity, and a stop bit.

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "LineSettings.h"

namespace proto {

inline constexpr std::int64_t kBitsPerByte = 10;

constexpr std::int64_t bitsPerByte(Parity parity) {
    return parity == Parity::kNone ? kBitsPerByte : kBitsPerByte + 1;
}

// Nothing at baud 0, which stands for a line with no pace of its own.
constexpr std::chrono::nanoseconds lineTime(std::size_t bytes, unsigned baud,
                                            Parity parity = Parity::kNone) {
    if (baud == 0) return std::chrono::nanoseconds::zero();
    // Computed from the count, not summed byte by byte, so no rounding piles up.
    return std::chrono::nanoseconds(static_cast<std::int64_t>(bytes) * bitsPerByte(parity) *
                                    std::nano::den / baud);
}

}  // namespace proto
