#include "Text.h"

#include <utf8.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "ControlTexts.h"

namespace forms {

std::string hexText(proto::Bytes bytes) {
    std::string dump = proto::hexDump(bytes);
    dump.erase(0, 2);
    if (!dump.empty()) dump.pop_back();
    return dump;
}

std::optional<proto::Frame> bytesFromHex(std::string_view text) {
    std::string digits;
    for (const char c : text) {
        if (c == ' ') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (digits.size() % 2 != 0) return std::nullopt;
    proto::Frame bytes(digits.size() / 2);
    forms::HexTextToBytes(digits.data(), digits.size(), bytes.data(), bytes.size());
    return bytes;
}

namespace {

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

}  // namespace

std::optional<std::int64_t> wholeDecimal(std::string_view text) {
    if (!allDigits(text)) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> decimalFraction(std::string_view text) {
    const auto point = text.find('.');
    if (!allDigits(text.substr(0, point)) ||
        (point != std::string_view::npos && !allDigits(text.substr(point + 1))))
        return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

namespace {

void appendByte(std::string& text, unsigned char byte) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    text += "\\x";
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
}

bool isControl(std::string_view character) {
    const auto first = static_cast<unsigned char>(character.front());
    if (first < 0x20 || first == 0x7F) return true;
    // U+0080 to U+009F, which some terminals take as escape sequences.
    return first == 0xC2 && static_cast<unsigned char>(character.at(1)) < 0xA0;
}

void appendControl(std::string& text, std::string_view character) {
    switch (character.front()) {
        case '\n':
            text += "\\n";
            return;
        case '\r':
            text += "\\r";
            return;
        case '\t':
            text += "\\t";
            return;
        default:
            for (const char byte : character) appendByte(text, static_cast<unsigned char>(byte));
    }
}

// Each UTF-8 character whole, each stray byte alone.
std::string escapedText(std::string_view text, bool controls) {
    std::string escaped;
    escaped.reserve(text.size());
    auto at = text.begin();
    while (at != text.end()) {
        const auto bad = utf8::find_invalid(at, text.end());
        while (at != bad) {
            const auto start = at;
            utf8::next(at, bad);
            const std::string_view character(start, at);
            if (controls && isControl(character))
                appendControl(escaped, character);
            else
                escaped += character;
        }
        if (bad == text.end()) break;
        appendByte(escaped, static_cast<unsigned char>(*bad));
        at = bad + 1;
    }
    return escaped;
}

}  // namespace

std::string utf8Text(std::string_view text) {
    return escapedText(text, false);
}

std::string terminalText(std::string_view text) {
    return escapedText(text, true);
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty()) text += separator;
        text += part;
    }
    return text;
}

std::string localTimeText(std::chrono::system_clock::time_point now, bool milliseconds) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    if (milliseconds) {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
        std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(ms.count()));
    }
    return text;
}

std::optional<std::chrono::milliseconds> spanOfTime(std::string_view text) {
    if (text.size() < 2) return std::nullopt;
    const auto count = wholeDecimal(text.substr(0, text.size() - 1));
    const char unit = text.back();
    const std::int64_t unitMs = unit == 's'   ? 1'000
                                : unit == 'm' ? 60'000
                                : unit == 'h' ? 3'600'000
                                : unit == 'd' ? 86'400'000
                                              : 0;
    if (!count || !unitMs || *count > 36500 * 86'400'000LL / unitMs) return std::nullopt;
    return std::chrono::milliseconds(*count * unitMs);
}

}  // namespace forms
