#pragma once
// Every send an engine hands its port, matched with the confirmations that answer it by the
// link test's rules (LinkTrial), whichever face paces the sends: the window's continuous
// sending, the command line's link test, a delivery test's senders, a single send a face waits
// on. A send counts from when the port takes it, and is numbered then; its round trip and its
// time-out start when the line has carried it, so that a figure measures the mesh, never the
// port's queue. Each confirmation is told (sendAnswered), each send whose time-out ends
// unanswered (sendUnanswered), and a send a face waits on ends its exchange with what answered
// it.
//
// The figures are those of the link test under way, afresh at each restart. A send nobody waits
// on (the window's) counts only while a link test runs; one a face waits on always does.

#include <chrono>
#include <map>
#include <optional>

#include "EngineEvents.h"
#include "LinkTrial.h"

namespace engine {

class SendLoop {
  public:
    using Clock = LinkTrial::Clock;

    explicit SendLoop(EngineEvents& events) : m_events(events) {}

    // A link test from now on: the figures afresh; a send a face waits on from before it has
    // no reply.
    void restart();
    bool measuring() const { return m_measuring; }
    const proto::LinkStatistics& figures() const { return m_trial.statistics(); }
    // Ends the link test with its figures: a send still waiting within its time-out counts as
    // without a reply, or is left out.
    proto::LinkStatistics finish(LinkTrial::Waiting waiting);

    // A send the port took at now, waiting up to timeout from when the line carries it;
    // exchange: the face's wait on it, 0 for none. Returns its number.
    int handed(Clock::time_point now, Clock::duration timeout, int exchange);
    void written(int send, Clock::time_point onWire);
    // The port never sent it: it counts as never sent, and its exchange ends NotSent.
    void unsent(int send);
    void read(const proto::ReadFrame& frame);
    // Every frame whose last byte came before now must have been read.
    void expire(Clock::time_point now);
    std::optional<Clock::time_point> nextDeadline() const { return m_trial.nextDeadline(); }
    bool waiting() const { return m_trial.waiting(); }
    // The face no longer waits on the exchange: the send stays counted, unwaited.
    void forget(int exchange);
    // The port hung up or was closed: the exchanges waiting on sends end Lost; the sends stay
    // counted, for the face to finish its link test as it sees fit.
    void portGone();

  private:
    void end(int send, ExchangeEnd end);
    void endWaiting(ExchangeFailure why);
    void answer(const LinkTrial::Answer& answer, const proto::ReadFrame& frame);

    EngineEvents& m_events;
    LinkTrial m_trial{Clock::duration::zero()};  // each send gives its own time-out
    bool m_measuring = false;
    std::map<int, int> m_exchanges;  // by send number: the exchange waiting on it
};

}  // namespace engine
