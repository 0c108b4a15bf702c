#include "PrintableText.h"

namespace files {

namespace {

struct Utf8Sequence {
    std::size_t length = 0;  // 0: not a well-formed sequence
    char32_t codePoint = 0;
};

Utf8Sequence leadingSequence(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    if (lead < 0x80) return {1, lead};
    Utf8Sequence sequence;
    char32_t smallest = 0;  // anything below is an overlong form
    if ((lead & 0xE0) == 0xC0) {
        sequence = {2, static_cast<char32_t>(lead & 0x1F)};
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        sequence = {3, static_cast<char32_t>(lead & 0x0F)};
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        sequence = {4, static_cast<char32_t>(lead & 0x07)};
        smallest = 0x10000;
    } else {
        return {};
    }
    if (text.size() < sequence.length) return {};
    for (std::size_t i = 1; i < sequence.length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return {};
        sequence.codePoint = (sequence.codePoint << 6) | (next & 0x3F);
    }
    const char32_t c = sequence.codePoint;
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {};
    return sequence;
}

bool isLineSpace(char32_t c) {
    return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isPrintable(char32_t c) {
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0);
}

}  // namespace

std::string printableText(std::string_view raw) {
    std::string text;
    while (!raw.empty()) {
        const Utf8Sequence sequence = leadingSequence(raw);
        if (sequence.length == 0) {
            raw.remove_prefix(1);
            continue;
        }
        if (isLineSpace(sequence.codePoint)) {
            text += ' ';
        } else if (isPrintable(sequence.codePoint)) {
            text += raw.substr(0, sequence.length);
        }
        raw.remove_prefix(sequence.length);
    }
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace files
