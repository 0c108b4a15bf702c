#pragma once
// Frames in the tests are written as the log shows them: "01 00 03 00 02".

#include <charconv>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "Frame.h"

inline proto::Frame hexBytes(std::string_view text) {
    proto::Frame bytes;
    std::istringstream words{std::string(text)};
    std::string word;
    while (words >> word) {
        unsigned value = 0;
        std::from_chars(word.data(), word.data() + word.size(), value, 16);
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

// Appends the check byte, as the module does for its replies.
inline proto::Frame withCheck(proto::Frame bytes) {
    bytes.push_back(proto::xorOf(bytes));
    return bytes;
}
