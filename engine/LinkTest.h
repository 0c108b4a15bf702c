#pragma once
// One link test, as the window's continuous sending and the command line's repeated send both
// run it. Confirmations carry no sequence number, but the module answers each send once and in
// order: the n-th confirmation belongs to the n-th send still unanswered, timed from that send
// to the confirmation's own arrival, however late the face comes to read it.
//
// A send waits up to its time-out, then counts as without a reply; a confirmation that comes
// after it counts as late and is never credited to a later send. A confirmation that comes
// sooner after its send than the line can carry the request and the confirmation cannot be its
// answer (the order is lost: one left from before the run, say): it counts as unmatched, and
// the send keeps waiting for the next one.
//
// A confirmation the module never sent cannot be told from one that is slow: after a lost one,
// each later confirmation is credited to the send before its own.

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

#include "Frame.h"
#include "FrameReader.h"
#include "LinkStatistics.h"

namespace engine {

class LinkTest {
  public:
    using Clock = std::chrono::steady_clock;

    explicit LinkTest(Clock::duration timeout) : m_timeout(timeout) {}

    // The shortest round trip a line at this baud rate allows for the request: it carries the
    // request and then its confirmation. None at baud 0, a line whose pace is not known.
    static Clock::duration shortestRoundTrip(proto::Bytes request, unsigned baud);

    // A send handed to the port at sent; returns its number, from 1.
    int countSend(Clock::time_point sent, Clock::duration shortestRoundTrip);

    enum class Verdict { InTime, Late, Unmatched };
    struct Answer {
        Verdict verdict = Verdict::Unmatched;
        std::optional<std::uint8_t> status;  // nothing: its check byte was wrong
        int send = 0;                        // the number of the send it answers; 0: unmatched
        double roundTripMs = 0;
    };
    // A confirmation whose last byte arrived then, in the order they arrived. status: nothing
    // for a confirmation with a wrong check byte, which answers its send without a reply.
    Answer countConfirmation(std::optional<std::uint8_t> status, Clock::time_point arrived);
    // The same for a frame read while the test runs, when it is a confirmation: only sends go
    // out, so the awaited reply that came spoiled is one too. Nothing for any other frame.
    std::optional<Answer> countFrame(const proto::ReadFrame& frame);

    // Counts the sends whose time-out had ended by now as without a reply; every confirmation
    // that arrived before now must have been counted. Returns how many.
    int expire(Clock::time_point now);

    // A send waits for its confirmation within its time-out.
    bool waiting() const;
    const proto::LinkStatistics& statistics() const { return m_statistics; }
    // Ends the test. A send still waiting within its time-out counts as without a reply, or
    // is left out, as if never sent, where the user or a lost port cut it short.
    enum class Waiting { NoReply, LeftOut };
    const proto::LinkStatistics& finish(Waiting waiting = Waiting::NoReply);

  private:
    struct Unanswered {
        int number = 0;
        Clock::time_point sent;
        Clock::duration shortestRoundTrip{};
        bool expired = false;  // counted as without a reply
    };

    const Clock::duration m_timeout;
    proto::LinkStatistics m_statistics;
    std::deque<Unanswered> m_unanswered;  // oldest first
    int m_sends = 0;
};

}  // namespace engine
