#pragma once
// When the reply a request waits for is whole, so that a script need not wait for the window's
// silence. Sizes are known per request and never read from the frame: the route list's length
// byte cannot hold its payload length.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "Frame.h"
#include "Ticks.h"  // the fallback for everything else: kReplySilence

namespace proto {

struct ExpectedReply {
    std::uint8_t dispatchCode = kNotDispatched;
    std::size_t size = 0;  // the exact size; 0 for a send confirmation, whose size varies
};

// Nothing for a request whose reply has no known shape.
std::optional<ExpectedReply> expectedReplyTo(Bytes request);

// The bytes received form the expected reply with a good check byte: exactly its size, or for a
// send confirmation at least kSendConfirmationMinSize bytes.
bool replyComplete(const ExpectedReply& expected, Bytes received);

}  // namespace proto
