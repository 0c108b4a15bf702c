#pragma once
// The module commands still waiting for their reply, so that a module that never answers is
// said, where the window's silence rule alone would show nothing at all. A setup, route list or
// path request waits from when its frame went out whole; a frame of its reply's code answers
// the oldest one waiting for it, whatever its check byte (a spoiled reply is still an answer);
// past kNoReplyAfter it is overdue, once. Data sends are left to the link test's counts.
//
// Frames are told in the order the port took them, and written() in the same order, as the
// port reports them.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

#include "FrameReader.h"

namespace engine {

class ReplyWatch {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kNoReplyAfter{2};

    void taken(proto::Bytes frame);
    void written(Clock::time_point done);
    void received(const proto::ReadFrame& frame);
    // How many requests had no reply in time by now; each is counted once.
    int takeOverdue(Clock::time_point now);
    bool waiting() const { return !m_requests.empty(); }
    // The port closed, hung up or dropped what it held: nothing is waited for any more.
    void clear() { m_requests.clear(); }

  private:
    struct Request {
        std::optional<std::uint8_t> replyCode;  // nothing for a frame whose reply is not watched
        std::optional<Clock::time_point> written;
    };
    std::deque<Request> m_requests;
};

}  // namespace engine
