#pragma once
// Drop-down entries built from the protocol's tables, so that a list shows what its codes stand
// for and no face keeps its own copy of them.

#include <array>
#include <cstddef>
#include <string_view>

#include "SendNames.h"
#include "SetupNames.h"

namespace layout {

// '|' separated entries, built at compile time.
class ItemList {
  public:
    constexpr void add(std::string_view text) {
        if (m_size > 0) put('|');
        for (const char c : text) put(c);
    }
    constexpr void add(long number, std::string_view unit = {}) {
        std::array<char, 20> digits{};
        std::size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number > 0);
        if (m_size > 0) put('|');
        while (count > 0) put(digits[--count]);
        for (const char c : unit) put(c);
    }
    constexpr std::string_view view() const { return {m_chars.data(), m_size}; }

  private:
    constexpr void put(char c) { m_chars.at(m_size++) = c; }

    std::array<char, 96> m_chars{};
    std::size_t m_size = 0;
};

constexpr ItemList numberItems(long first, long last, std::string_view unit = {}) {
    ItemList items;
    for (long n = first; n <= last; ++n) items.add(n, unit);
    return items;
}

template <typename Table>
constexpr ItemList tableItems(const Table& table) {
    ItemList items;
    for (const auto& entry : table) items.add(entry);
    return items;
}

inline constexpr ItemList kPowerItems = numberItems(1, proto::kPowerLevels);
inline constexpr ItemList kLifeCycleItems = numberItems(1, proto::kLifeCycles, proto::kHourUnit);
inline constexpr ItemList kBaudRateItems = tableItems(proto::kUartBaudRates);
inline constexpr ItemList kParityItems = tableItems(proto::kParityNames);
inline constexpr ItemList kRouteModeItems = tableItems(proto::kRouteModeNames);
inline constexpr ItemList kJumpItems = numberItems(1, proto::kJumpLimits);
inline constexpr ItemList kRelayingItems = numberItems(0, proto::kMaxRelays);
inline constexpr ItemList kIntervalItems = [] {
    ItemList items;
    for (const auto interval : proto::kSendIntervals) items.add(interval.count(), "ms");
    return items;
}();

}  // namespace layout
