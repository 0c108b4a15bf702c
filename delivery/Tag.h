#pragma once
// What a delivery test's send carries, so that the notice at the target is known as its data:
// a marker, the run, the pair, the send's number and a check, then filler up to the size
// asked for. A module may put any bytes it likes around the data it hands over, so a notice is
// searched whole for tags rather than read at offsets.
//
// The filler counts up by one from byte to byte and so never holds the marker's two bytes in a
// row; an earlier run's tag holds another run id; bytes that merely look like a marker pass the
// two check bytes about once in 65,000 times. Finding a tag costs a scan for the marker's first
// byte.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "Frame.h"

namespace delivery {

struct Tag {
    std::uint32_t run = 0;
    std::uint16_t from = 0;  // port indices of the run's plan
    std::uint16_t to = 0;
    std::uint32_t sequence = 0;  // the pair's sends count from 1
    bool operator==(const Tag&) const = default;
};

inline constexpr std::size_t kTagSize = 16;

// The tag, then filler up to size bytes; size is at least kTagSize.
std::vector<std::uint8_t> taggedData(const Tag& tag, std::size_t size);

// Every tag wherever it lies in the bytes, of any run, in the order they lie.
std::vector<Tag> tagsIn(proto::Bytes bytes);

// How many data bytes a delivery test's send can hold with this route mode and relay count:
// most is below least when not even the tag fits.
struct SizeRange {
    std::size_t least = kTagSize;
    std::size_t most = 0;
};
SizeRange dataSizes(std::uint8_t routeMode, std::size_t relays);

}  // namespace delivery
