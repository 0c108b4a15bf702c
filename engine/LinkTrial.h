#pragma once
// One link test, as the window's continuous sending and the command line's repeated send both
// run it. Confirmations carry no sequence number, but the module answers each send once and in
// order: a confirmation belongs to the oldest send still waiting, timed from that send to the
// confirmation's own arrival, however late the face comes to read it. However soon it comes:
// a module behind a pseudo-terminal, on native USB or behind a bridge answers sooner than its
// line's baud rate could carry the bytes.
//
// A send waits up to its time-out, then counts as without a reply; a confirmation that comes
// after it counts as late for that send. But when a newer send still waits within its own
// time-out, the confirmation may as well be that send's answer, the older one's having been
// lost: it is taken for whichever of the two gives the round trip nearer the run's typical one
// (the median of the round trips in time so far; with none yet, it is late). So one lost
// confirmation never shifts the rest onto the sends after their own, and a module slower than
// the time-out keeps being counted late. A confirmation with no send waiting is unmatched.
//
// Sends still within their time-out are answered strictly in order: where a module takes
// longer than the interval between sends, a confirmation it never sent cannot be told from a
// slow one.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "FrameReader.h"
#include "LinkStatistics.h"

namespace engine {

class LinkTrial {
  public:
    using Clock = std::chrono::steady_clock;

    explicit LinkTrial(Clock::duration timeout) : m_timeout(timeout) {}

    // A send the line has carried at sent, waiting up to the test's time-out. Returns its
    // number, from 1.
    int countSend(Clock::time_point sent);
    // A send handed to the port at handed, not yet on the wire: it waits up to timeout from
    // when the line carries it (written), and is answered meanwhile all the same.
    int countHanded(Clock::time_point handed, Clock::duration timeout);
    // The line carried the send's last byte at onWire: its round trip and time-out start there.
    void written(int send, Clock::time_point onWire);
    // The send never went out: it counts as never sent.
    void unsent(int send);

    enum class Verdict { InTime, Late, Unmatched };
    struct Answer {
        Verdict verdict = Verdict::Unmatched;
        std::optional<std::uint8_t> status;  // nothing: its check byte was wrong
        int send = 0;                        // the number of the send it answers; 0: unmatched
        double roundTripMs = 0;
    };
    // A confirmation whose last byte arrived then, in the order they arrived. status: nothing
    // for a confirmation with a wrong check byte or cut short before its status, which answers
    // its send without a reply.
    Answer countConfirmation(std::optional<std::uint8_t> status, Clock::time_point arrived);
    // The same for a frame read while the test runs, when it is a confirmation: only sends go
    // out, so the awaited reply that came spoiled is one too. Nothing for any other frame.
    std::optional<Answer> countFrame(const proto::ReadFrame& frame);

    // Counts the sends whose time-out had ended by now as without a reply, each told to
    // onExpired by its number; every confirmation that arrived before now must have been
    // counted. Returns how many.
    int expire(Clock::time_point now, const std::function<void(int send)>& onExpired = {});
    // When the next send's time-out ends; nothing while no send on the wire waits.
    std::optional<Clock::time_point> nextDeadline() const;

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
        Clock::time_point sent;  // on the wire, or handed to the port until then
        Clock::duration timeout{};
        bool onWire = true;
        bool expired = false;  // counted as without a reply
    };
    using Queue = std::deque<Unanswered>;

    int count(Unanswered send);
    Queue::iterator answeredBy(Clock::time_point arrived);
    Queue::iterator find(int send);
    static bool pastTimeOut(const Unanswered& send, Clock::time_point at);

    Clock::duration m_timeout;
    proto::LinkStatistics m_statistics;
    Queue m_unanswered;  // oldest first
    int m_sends = 0;
};

}  // namespace engine
