#pragma once
// A frame, or a block of frames, in words, for a person reading the log or a monitor:
// "Setup reply: frequency 434.00 MHz, power 7, life cycle 1h, network id 1, node id 1,
// UART 9600 NO". Built on the decoders the window's handlers use.

#include <string>

#include "Frame.h"

namespace forms {

// The same bytes mean a request on the way out and a reply on the way in (05 00 01 is a send
// request out and a send confirmation in).
enum class Direction { Sent, Received };

std::string describeFrames(proto::Bytes block, Direction direction);

}  // namespace forms
