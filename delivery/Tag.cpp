#include "Tag.h"

#include <algorithm>
#include <array>

#include "Messages.h"

namespace delivery {

namespace {

// Two bytes no counting filler holds in a row; numbers follow high byte first.
constexpr std::array<std::uint8_t, 2> kMarker = {0xC9, 0x36};
constexpr std::size_t kRunOffset = 2;
constexpr std::size_t kFromOffset = 6;
constexpr std::size_t kToOffset = 8;
constexpr std::size_t kSequenceOffset = 10;
constexpr std::size_t kCheckOffset = 14;

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t readBigEndian(proto::Bytes bytes, std::size_t offset, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | bytes[offset + i];
    return value;
}

// Fletcher's check: unlike a plain XOR it weighs each byte by its place, so a window shifted
// into a tag whose fields repeat the marker does not pass for one.
std::uint16_t checkOf(proto::Bytes bytes) {
    unsigned sum = 0;
    unsigned weighted = 0;
    for (const std::uint8_t byte : bytes) {
        sum = (sum + byte) % 255;
        weighted = (weighted + sum) % 255;
    }
    return static_cast<std::uint16_t>(weighted << 8 | sum);
}

bool tagAt(proto::Bytes bytes, std::size_t offset) {
    const proto::Bytes candidate = bytes.subspan(offset, kTagSize);
    return candidate[1] == kMarker[1] &&
           checkOf(candidate.first(kCheckOffset)) == readBigEndian(candidate, kCheckOffset, 2);
}

Tag readTag(proto::Bytes tag) {
    return {readBigEndian(tag, kRunOffset, 4),
            static_cast<std::uint16_t>(readBigEndian(tag, kFromOffset, 2)),
            static_cast<std::uint16_t>(readBigEndian(tag, kToOffset, 2)),
            readBigEndian(tag, kSequenceOffset, 4)};
}

}  // namespace

std::vector<std::uint8_t> taggedData(const Tag& tag, std::size_t size) {
    std::vector<std::uint8_t> data(kMarker.begin(), kMarker.end());
    data.reserve(std::max(size, kTagSize));
    appendBigEndian(data, tag.run, 4);
    appendBigEndian(data, tag.from, 2);
    appendBigEndian(data, tag.to, 2);
    appendBigEndian(data, tag.sequence, 4);
    appendBigEndian(data, checkOf(data), 2);
    for (std::uint8_t filler = 0; data.size() < size; ++filler) data.push_back(filler);
    return data;
}

std::vector<Tag> tagsIn(proto::Bytes bytes) {
    std::vector<Tag> tags;
    if (bytes.size() < kTagSize) return tags;
    const auto starts = bytes.first(bytes.size() - kTagSize + 1);
    for (auto at = starts.begin();
         (at = std::find(at, starts.end(), kMarker[0])) != starts.end();) {
        const auto offset = static_cast<std::size_t>(at - starts.begin());
        if (!tagAt(bytes, offset)) {
            ++at;
            continue;
        }
        tags.push_back(readTag(bytes.subspan(offset, kTagSize)));
        // Tags never overlap.
        at += static_cast<std::ptrdiff_t>(std::min(kTagSize, std::size_t(starts.end() - at)));
    }
    return tags;
}

SizeRange dataSizes(std::uint8_t routeMode, std::size_t relays) {
    return {kTagSize, proto::sendDataCapacity(routeMode, relays)};
}

}  // namespace delivery
