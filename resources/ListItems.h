#pragma once
// Drop-down entries that mean more than their text: the module UART's rates and parities are
// also what the indexes of a setup frame stand for, so the protocol reads them from here.

#include <array>
#include <cstddef>
#include <string_view>

namespace layout {

inline constexpr std::string_view kBaudRateItems = "1200|2400|4800|9600|19200|38400|57600|115200";
inline constexpr std::string_view kParityItems = "NO|ODD|EVEN";

constexpr std::size_t itemCount(std::string_view items) {
    std::size_t count = 1;
    for (const char c : items) count += c == '|' ? 1 : 0;
    return count;
}

// The entries of a '|' separated list, at compile time.
template <std::size_t N>
constexpr std::array<std::string_view, N> splitItems(std::string_view items) {
    std::array<std::string_view, N> entries{};
    for (std::string_view& entry : entries) {
        const std::size_t bar = items.find('|');
        entry = items.substr(0, bar);
        items = bar == std::string_view::npos ? std::string_view() : items.substr(bar + 1);
    }
    return entries;
}

}  // namespace layout
