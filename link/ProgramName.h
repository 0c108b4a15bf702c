#pragma once
// The command line's name, and the words that begin every line it writes about a problem.

#include <ostream>
#include <string_view>

namespace modlink {

inline constexpr std::string_view kProgram = "meshcfg-cli";

// Streamed first on a line to standard error: "meshcfg-cli: ".
inline std::ostream& programPrefix(std::ostream& out) {
    return out << kProgram << ": ";
}

}  // namespace modlink
