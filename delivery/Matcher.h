#pragma once
// Matches one delivery test's sends, their confirmations and the notices at their targets, and
// keeps each pair's figures.
//
// A send is delivered when its data reaches its target within the time-out, timed one way from
// the moment the line has carried its request's last byte to the notice's last byte; data after
// the time-out is late, and not delivered. A send's confirmation is the one the sender's link test
// numbers as its answer (the module answers each send once and in order, so the face already knows
// which send a confirmation answers); one that comes after the time-out says nothing of the
// delivery. The module lies twice: "ok" for data that did not arrive within the time-out (false
// ok), and a failure status for data that arrived all the same, in time or late (false fail).
//
// The face reports a send once its request is written, but its data can reach the target's port,
// and be read there, before that report: a notice with the tag of the pair's next send waits for
// it, and counts as unsent only if the run ends without it.
//
// Memory stays flat however long the run: latencies go into a fixed histogram, and a send is
// remembered for kRememberedTimeOuts time-outs after it went out (at most kMostRemembered per
// pair), long enough to tell its duplicates and late data. Data of a send forgotten by then
// counts as late.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <unordered_map>
#include <vector>

#include "DeliveryEvents.h"
#include "LinkStatistics.h"
#include "Plan.h"
#include "Presence.h"
#include "Tag.h"

namespace delivery {

class Matcher {
  public:
    static constexpr int kRememberedTimeOuts = 4;
    static constexpr std::size_t kMostRemembered = 8192;

    // plan must pass checkPlan.
    explicit Matcher(const Plan& plan);

    // The tag of the pair's next send.
    Tag tagFor(std::size_t pair) const;
    // The send tagFor gave went out whole, on the wire at writtenAt. number: the sender's link
    // test's number for it, by which its confirmation will come.
    void sent(std::size_t pair, Clock::time_point writtenAt, int number);
    // The send due for the pair did not go out whole: not sent; its tag goes to the next one.
    void unwritten(std::size_t pair);
    // A confirmation the sender's link test took for its send number (0: for none). status:
    // nothing for a confirmation with a wrong check byte.
    void confirmed(std::size_t sender, int number, std::optional<std::uint8_t> status,
                   Clock::time_point at);
    // A receive notice read whole on a port, its last byte at at.
    void noticed(std::size_t port, proto::Bytes notice, Clock::time_point at);
    // Settles the sends whose time-out had ended by now; every frame whose last byte came
    // before now must have been handed in.
    void advance(Clock::time_point now);

    // While a port is away its pairs neither send nor count: their sends still waiting are left
    // out, unless their data has arrived already.
    void portLost(std::size_t port);
    void portBack(std::size_t port);
    const Presence& presence() const { return m_presence; }
    // The test ends before the sends still waiting had their time-out: they are left out, as
    // if never sent, unless their data has arrived already. The sends of the plan's count
    // never made count as not sent.
    void cutShort();

    // No send waits for its time-out.
    bool settled() const { return m_waiting == 0; }
    // When advance may next settle a send.
    std::optional<Clock::time_point> nextDeadline() const;

    std::vector<Event> takeEvents();
    Summary summary() const;

  private:
    enum class State : std::uint8_t { Waiting, Settled, LeftOut };
    struct Record {
        std::uint32_t sequence = 0;
        Clock::time_point sentAt{};
        std::optional<Confirmation> confirmation{};
        std::optional<Clock::time_point> arrivedAt{};  // its first data, in time or late
        State state = State::Waiting;
    };
    struct Early {
        std::size_t port = 0;
        Tag tag{};
        Clock::time_point at{};
    };
    struct PairState {
        Pair pair{};
        PairSummary figures{};         // from and to set once
        std::deque<Record> records{};  // one per sequence from the front's up
        std::uint32_t nextSequence = 1;
        std::uint32_t newestArrived = 0;
        proto::RoundTripHistogram latency{};
        std::vector<Early> early{};  // data of the next send, before its report
        Clock::time_point firstSentAt{};
        Clock::time_point lastSentAt{};
    };
    static constexpr std::size_t kMostEarly = 4;
    struct SendRef {
        std::size_t pair = 0;
        std::uint32_t sequence = 0;
        int number = 0;  // the link test's
        Clock::time_point deadline{};
    };

    Record* find(std::size_t pair, std::uint32_t sequence);
    bool pastTimeOut(const Record& record, Clock::time_point at) const;
    void arrived(std::size_t port, const Tag& tag, Clock::time_point at);
    void unsent(std::size_t port, Clock::time_point at);
    void firstArrival(std::size_t pair, Record& record, NoticeSeen& notice);
    void settle(std::size_t pair, Record& record);
    void leaveOut(std::size_t pair, Record& record);
    void forgetOld(std::size_t pair, Clock::time_point now);
    // Not "emit": the Qt faces include this header, and Qt takes that word.
    void tell(Event event) { m_events.push_back(std::move(event)); }

    const std::uint32_t m_run;
    const Clock::duration m_timeout;
    const std::optional<int> m_count;
    std::vector<PairState> m_pairs;
    std::unordered_map<std::uint32_t, std::size_t> m_pairOf;  // from << 16 | to
    std::vector<std::deque<SendRef>> m_unconfirmed;           // per sender, oldest first
    std::deque<SendRef> m_deadlines;                          // in the order sent
    Presence m_presence;
    std::size_t m_waiting = 0;
    Summary m_others{};  // the counts of no pair
    std::vector<Event> m_events;
};

}  // namespace delivery
