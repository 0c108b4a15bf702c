#pragma once
// The SHA-256 of a profile as the report names it, so a row says exactly which file was written.

#include <string>
#include <string_view>

namespace station {

// Lower-case hex digits.
std::string sha256Of(std::string_view bytes);

}  // namespace station
