#pragma once
// What the setup indexes stand for, named as the window's lists show them, so that a front end
// without those lists reads and writes the same values: power 1 to 7, life cycle "1h" to
// "24h", the module UART's rates and parities.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "ListItems.h"

namespace proto {

inline constexpr int kPowerLevels = 7;  // power level = index + 1
inline constexpr int kLifeCycles = 24;  // "1h" is index 0
inline constexpr auto kParityNames =
    layout::splitItems<layout::itemCount(layout::kParityItems)>(layout::kParityItems);
inline constexpr auto kUartBaudRates = [] {
    constexpr auto texts =
        layout::splitItems<layout::itemCount(layout::kBaudRateItems)>(layout::kBaudRateItems);
    std::array<int, texts.size()> rates{};
    for (std::size_t i = 0; i < texts.size(); ++i)
        for (const char digit : texts[i]) rates[i] = rates[i] * 10 + (digit - '0');
    return rates;
}();

std::string lifeCycleName(int index);  // "6h" for 5
std::optional<int> lifeCycleIndex(std::string_view name);
std::optional<int> uartBaudIndex(int baud);
// Also the port's parity code: 0 none, 1 odd, 2 even.
std::optional<int> parityIndex(std::string_view name);

}  // namespace proto
