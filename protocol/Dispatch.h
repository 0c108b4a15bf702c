#pragma once
// Checking a received block and mapping it to the dispatch code that selects its handler.

#include <vector>

#include "Frame.h"

namespace proto {

// XOR of all bytes but the last equals the last; a single byte 00 passes.
bool blockPassesCheck(Bytes block);

// 0 when the block fails the check or has an unknown frame type.
std::uint8_t dispatchCode(Bytes block);

// The frames of a block that is nothing but whole frames back to back: each of type 0x01 or
// 0x05, sized as the frame reader sizes it (receivedFrameSize), each with a good check byte.
// Empty when the block does not split so cleanly.
std::vector<Bytes> wholeFramesIn(Bytes block);

// Reply fields are read only from the bytes before the check byte (the block's last byte):
// stale bytes of an earlier block are never taken for fields.
bool fieldsPresent(Bytes block, std::size_t offset, std::size_t width);

}  // namespace proto
