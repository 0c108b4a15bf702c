#pragma once
// Where a frame from the module ends, so that a script need not wait for the window's silence,
// and which reply a request waits for. A reply is known by its type and code; a size is fixed
// only where the module's layout fixes one (the setup reply, the route list, the path reply).
// Every other frame, the write acknowledgement among them, ends where its own length byte says.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "Frame.h"

namespace proto {

struct ExpectedReply {
    std::uint8_t type = kTypeModule;  // the reply's frame type, its request's
    std::uint8_t dispatchCode = kNotDispatched;
};

// Nothing for a request whose reply has no known shape.
std::optional<ExpectedReply> expectedReplyTo(Bytes request);

// The bytes received so far (at least one) agree with the expected reply: its type, and its
// code once that has come. A whole frame answers it whatever its check byte.
bool opensExpectedReply(const ExpectedReply& expected, Bytes head);

// The whole size of the frame the module sends that opens with this header (at least
// kHeaderSize bytes). The route list's length byte cannot hold its payload's length.
std::size_t receivedFrameSize(Bytes header);

}  // namespace proto
