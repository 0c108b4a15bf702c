#pragma once
// The line settings chosen in the port panel, apart from how a device is told about them.
// Always 8 data bits, 1 stop bit, no flow control; only the rate and the parity vary.

#include <optional>

enum class Parity { kNone, kOdd, kEven };

struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::kNone;
};

// The port panel's parity code: its list index, 0 none, 1 odd, 2 even.
inline std::optional<Parity> parityFromCode(int code) {
    switch (code) {
        case 0:
            return Parity::kNone;
        case 1:
            return Parity::kOdd;
        case 2:
            return Parity::kEven;
        default:
            return std::nullopt;
    }
}
