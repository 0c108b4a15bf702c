#pragma once
// The requests still waiting for their reply, so that a module that never answers is said,
// where the window's silence rule alone would show nothing at all, and so that a face waiting
// on an exchange hears its answer or its time-out. A request waits from when its frame went
// out whole; a frame of its reply's type and code answers the oldest one waiting for it,
// whatever its check byte (a spoiled reply is still an answer); past its time-out it is
// overdue, once. The window watches its module commands for kNoReplyAfter; a face awaits any
// request but a send (the link test's to count) for the time-out it gives. Data sends the
// window makes are left to the link test's counts.
//
// Frames are told in the order the port took them, and written() in the same order, as the
// port reports them.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "FrameReader.h"

namespace engine {

class ReplyWatch {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kNoReplyAfter{2};

    // A frame the window sent: a module command waits kNoReplyAfter for its reply; any other
    // frame is let go once written.
    void taken(proto::Bytes frame);
    // A frame whose answer a face awaits as exchange (not 0), for timeout after it went out:
    // a frame of its reply's type and code, or the first frame but a notice where the request
    // has no known shape.
    void taken(proto::Bytes frame, int exchange, Clock::duration timeout);
    void written(Clock::time_point done);
    struct Answered {
        int exchange = 0;  // 0: a request the window sent
        std::optional<Clock::time_point> written{};
    };
    // The request the frame answers, the oldest one it can; nothing when it answers none.
    std::optional<Answered> received(const proto::ReadFrame& frame);
    // How many requests had no reply in time by now; each is counted once, and told to
    // onOverdue by its exchange.
    int takeOverdue(Clock::time_point now, const std::function<void(int exchange)>& onOverdue = {});
    // When the next request waiting is overdue; nothing while none that went out waits.
    std::optional<Clock::time_point> nextDeadline() const;
    bool waiting() const { return !m_requests.empty(); }
    // The face no longer waits on the exchange: nothing answers it, nor is it overdue.
    void forget(int exchange);
    // The port closed, hung up or dropped what it held: nothing is waited for any more.
    // Returns the exchanges let go, oldest first.
    std::vector<int> clear();

  private:
    struct Request {
        std::optional<proto::ExpectedReply> expected{};  // nothing: no reply of a known shape
        int exchange = 0;
        Clock::duration timeout = kNoReplyAfter;
        std::optional<Clock::time_point> written{};
        bool answered = false;  // before the port told it written
    };
    static bool waitsForAnswer(const Request& request);
    static bool answers(const Request& request, const proto::ReadFrame& frame);
    std::deque<Request> m_requests;
};

}  // namespace engine
