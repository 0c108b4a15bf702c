#pragma once
// Small text forms shared by the commands.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Frame.h"

namespace forms {

// Bytes as "01 00 03 00 02": the log's hex dump without its marker and last space.
std::string hexText(proto::Bytes bytes);

// Hex digit pairs, spaces between them allowed ("01 02", "0102"); nothing for any other
// character or an odd digit count, so a typing slip is refused rather than sent.
std::optional<proto::Frame> bytesFromHex(std::string_view text);

// A whole number written in decimal digits alone, so "0042" is 42; nothing for anything else
// ("0x1234", "1e3", "4k", "-1", "") or a number too large to hold.
std::optional<std::int64_t> wholeDecimal(std::string_view text);
// A span of time as a number and its unit: "90s", "30m", "8h", "7d"; nothing for anything else
// or one longer than a hundred years.
std::optional<std::chrono::milliseconds> spanOfTime(std::string_view text);
// Decimal digits with at most one point between digits ("433.5"); nothing for anything else
// ("nan", "inf", "1e3", ".5").
std::optional<double> decimalFraction(std::string_view text);

// Text as valid UTF-8 whatever it holds: each byte that is not part of a UTF-8 character becomes
// "\xNN". A device name, a USB serial or a module's words can be any bytes.
std::string utf8Text(std::string_view text);
// Text for a terminal line: utf8Text, with control characters also written out ("\n", "\r",
// "\t", "\xNN"), so that a record's text can neither break the line nor drive the terminal.
std::string terminalText(std::string_view text);

std::string joined(const std::vector<std::string>& parts, std::string_view separator);

// "%Y-%m-%d %H:%M:%S" in local time; with milliseconds when asked.
std::string localTimeText(std::chrono::system_clock::time_point when, bool milliseconds);

}  // namespace forms
