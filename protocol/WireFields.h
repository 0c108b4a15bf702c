#pragma once
// Fields shared by the requests and replies: 16-bit ids, big-endian on the wire and decimal
// text in the controls, and list indexes carried as single bytes.

#include <cstdint>
#include <string>
#include <string_view>

#include "Frame.h"
#include "NumberText.h"

namespace proto {

// Callers check the field with fieldsPresent first.
inline std::uint16_t readBe16(Bytes block, std::size_t offset) {
    return static_cast<std::uint16_t>(block[offset] << 8 | block[offset + 1]);
}

inline void appendBe16(Frame& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// A decimal id text carries its low 16 bits, so a pasted -1 gives FFFF.
inline std::uint16_t idFromText(std::string_view text) {
    return static_cast<std::uint16_t>(readDecimal(text));
}

// A list index of -1 (no selection) goes through the same 8-bit arithmetic as any other.
inline std::uint8_t indexByte(int index) {
    return static_cast<std::uint8_t>(index);
}

inline std::string idText(std::uint16_t id) {
    return std::to_string(id);
}

}  // namespace proto
