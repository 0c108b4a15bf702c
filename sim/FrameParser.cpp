#include "FrameParser.h"

namespace sim {

namespace {

// Whether the bytes from here on can still be the start of a frame.
bool canStartFrame(proto::Bytes rest) {
    const std::uint8_t type = rest[proto::kTypeOffset];
    if (type != proto::kTypeModule && type != proto::kTypeNetData) return false;
    return rest.size() < 2 || rest[1] == 0x00;
}

void flushGarbage(proto::Frame& garbage, std::vector<Received>& out) {
    if (garbage.empty()) return;
    out.push_back({Received::Kind::kGarbage, std::move(garbage)});
    garbage.clear();
}

}  // namespace

std::vector<Received> FrameParser::feed(proto::Bytes bytes) {
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    return scan(false);
}

std::vector<Received> FrameParser::flushStale() {
    return scan(true);
}

std::vector<Received> FrameParser::scan(bool stale) {
    std::vector<Received> out;
    proto::Frame garbage;
    std::size_t pos = 0;
    while (pos < m_pending.size()) {
        const proto::Bytes rest = proto::Bytes(m_pending).subspan(pos);
        const bool whole = rest.size() >= proto::kHeaderSize &&
                           rest.size() >= proto::frameSize(rest[proto::kLengthOffset]);
        if (!canStartFrame(rest) || (!whole && stale)) {
            garbage.push_back(rest[0]);
            ++pos;
            continue;
        }
        if (!whole) break;
        flushGarbage(garbage, out);
        const proto::Bytes frame = rest.first(proto::frameSize(rest[proto::kLengthOffset]));
        const auto kind =
            proto::xorOf(frame) == 0 ? Received::Kind::kFrame : Received::Kind::kBadCheck;
        out.push_back({kind, proto::Frame(frame.begin(), frame.end())});
        pos += frame.size();
    }
    flushGarbage(garbage, out);
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(pos));
    return out;
}

}  // namespace sim
