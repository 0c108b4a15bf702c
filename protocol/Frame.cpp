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
    for (const std::uint8_t b : bytes) line += hexByte(b) + ' ';
    return line;
}

std::string hexByte(std::uint8_t byte) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    return digits;
}

std::string hexDigits(Bytes bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) text += hexByte(b);
    return text;
}

std::string hexWord(std::uint16_t value) {
    return hexByte(static_cast<std::uint8_t>(value >> 8)) +
           hexByte(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace proto
