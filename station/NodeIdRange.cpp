#include "NodeIdRange.h"

#include <charconv>

#include "Messages.h"

namespace station {

namespace {

std::optional<std::uint16_t> decimalId(std::string_view text) {
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
    std::uint16_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return id;
}

}  // namespace

std::optional<NodeIdRange> NodeIdRange::parse(std::string_view text) {
    const std::size_t dots = text.find("..");
    if (dots == std::string_view::npos) return std::nullopt;
    const auto first = decimalId(text.substr(0, dots));
    const auto last = decimalId(text.substr(dots + 2));
    // The lists write "no node" as the highest id, so no module may be given it.
    if (!first || !last || *first > *last || *last == proto::kEmptyNode) return std::nullopt;
    return NodeIdRange{*first, *last};
}

}  // namespace station
