#pragma once
// A request a face waits on, and how it ended: its typed reply, or why there is none. Every
// exchange the engine starts ends once, told by EngineEvents::exchangeEnded.

#include <optional>

#include "Frame.h"
#include "Messages.h"

namespace engine {

// A frame as a user gave it (the command line's raw): its reply is still known by the
// request's type and code, or is the first frame but a notice where the request has no known
// shape; it is read as what it holds, or as nothing, with no shape expected of it.
struct RawRequest {
    proto::Frame bytes;
};

enum class ExchangeFailure {
    NotSent,      // no port open, the writer's queue full, or the frame given up or thrown away
    NoReply,      // nothing answered within the time-out after the line carried the request
    BadCheck,     // the answer came with a wrong check byte
    CutShort,     // the answer came without the fields its reply holds
    Refused,      // a send's confirmation with a status other than ok
    Lost,         // the port hung up or was closed first
    Interrupted,  // Ctrl+C, as the face that waits tells it
};

struct ExchangeEnd {
    std::optional<ExchangeFailure> failure{};  // nothing: the reply came
    std::optional<proto::Reply> reply{};       // the answer read: with no failure, or Refused
    proto::Frame frame{};                      // the answer as it came, spoiled or cut short too
    bool written = false;                      // the request went out whole
    double roundTripMs = 0;  // from the request's last byte on the line to the answer's
};

// A request handed over: the exchange it is, and a send's number in the engine's link test
// (0 for any other request).
struct Handed {
    int exchange = 0;
    int send = 0;
};

}  // namespace engine
