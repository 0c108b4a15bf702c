#include "Frame.h"

#include <algorithm>
#include <cstdio>

namespace proto {

std::uint8_t xorOf(Bytes bytes) {
    std::uint8_t x = 0;
    for (const std::uint8_t b : bytes) {
        x ^= b;
    }
    return x;
}

Frame buildFrame(std::uint8_t type, std::uint8_t code, Bytes payload) {
    Frame frame(kHeaderSize + payload.size() + kCheckSize, 0);
    frame[kTypeOffset] = type;
    frame[kCodeOffset] = code;
    frame[kLengthOffset] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), frame.begin() + kHeaderSize);
    frame.back() = xorOf(Bytes(frame).first(frame.size() - 1));
    return frame;
}

std::string hexDump(Bytes bytes) {
    std::string line = "> ";
    line.reserve(2 + 3 * bytes.size());
    for (const std::uint8_t b : bytes) {
        char cell[4];
        std::snprintf(cell, sizeof cell, "%02X ", b);
        line += cell;
    }
    return line;
}

}  // namespace proto
