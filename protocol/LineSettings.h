#pragma once
// The line settings chosen in the port panel, apart from how a device is told about them.
// Always 8 data bits, 1 stop bit, no flow control; only the rate and the parity vary.

#include <cstddef>
#include <optional>
#include <string_view>

#include "SetupNames.h"

namespace proto {

// Valued as the port panel's parity code, which is its list index and the index of its name in
// proto::kParityNames: 0 none, 1 odd, 2 even.
enum class Parity { kNone = 0, kOdd = 1, kEven = 2 };

struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::kNone;
};

inline std::optional<Parity> parityFromCode(int code) {
    if (code < 0 || static_cast<std::size_t>(code) >= proto::kParityNames.size())
        return std::nullopt;
    return static_cast<Parity>(code);
}

inline int parityCodeOf(Parity parity) {
    return static_cast<int>(parity);
}

// "NO", "ODD" or "EVEN", as the user names a parity.
inline std::optional<Parity> parityFromName(std::string_view name) {
    const std::optional<int> code = proto::parityIndex(name);
    return code ? parityFromCode(*code) : std::nullopt;
}

inline std::string_view parityNameOf(Parity parity) {
    return proto::kParityNames[static_cast<std::size_t>(parityCodeOf(parity))];
}

}  // namespace proto
