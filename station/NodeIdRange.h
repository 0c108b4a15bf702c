#pragma once
// The node ids a station may give out, as the command line names them: "301..400".

#include <cstdint>
#include <optional>
#include <string_view>

namespace station {

struct NodeIdRange {
    std::uint16_t first = 0;
    std::uint16_t last = 0;

    bool holds(std::uint16_t id) const { return id >= first && id <= last; }

    // Nothing unless both ends are plain decimal node ids below 65535 (the lists' "no node")
    // and first <= last.
    static std::optional<NodeIdRange> parse(std::string_view text);
};

}  // namespace station
