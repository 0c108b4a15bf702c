#include "SetupNames.h"

#include <algorithm>
#include <charconv>

namespace proto {

namespace {

template <typename List, typename Value>
std::optional<int> indexIn(const List& list, const Value& value) {
    const auto found = std::find(list.begin(), list.end(), value);
    if (found == list.end()) return std::nullopt;
    return static_cast<int>(found - list.begin());
}

}  // namespace

std::string lifeCycleName(int index) {
    return std::to_string(index + 1) + std::string(kHourUnit);
}

std::optional<int> lifeCycleIndex(std::string_view name) {
    if (!name.ends_with(kHourUnit)) return std::nullopt;
    int hours = 0;
    const char* end = name.data() + name.size() - kHourUnit.size();
    const auto result = std::from_chars(name.data(), end, hours);
    if (result.ec != std::errc() || result.ptr != end || hours < 1 || hours > kLifeCycles)
        return std::nullopt;
    return hours - 1;
}

std::optional<int> uartBaudIndex(int baud) {
    return indexIn(kUartBaudRates, baud);
}

std::optional<int> parityIndex(std::string_view name) {
    return indexIn(kParityNames, name);
}

}  // namespace proto
