#pragma once
// What the watcher has for its broker and what the broker has taken. Topics whose latest message
// is all that counts (a node's availability, the watcher's own state, the last survey) keep that
// message alone; events keep each one, in order, at most `bound` of them: past it the oldest is
// dropped and counted. A message leaves once the broker acknowledges it; a connection lost puts
// back every message sent and not acknowledged, so that the next connection sends them again in
// their order (at least once, as QoS 1 promises). Reads no clock and opens nothing.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>

namespace watch {

struct BrokerMessage {
    std::string topic;
    std::string payload;
    bool retain = false;
    bool operator==(const BrokerMessage&) const = default;
};

class BrokerQueue {
  public:
    explicit BrokerQueue(std::size_t bound) : m_bound(bound) {}

    // The latest message of its topic; the same payload again is nothing new.
    void latest(BrokerMessage message);
    // One event more, after every other.
    void event(BrokerMessage message);

    struct Outgoing {
        std::uint64_t id = 0;
        BrokerMessage message;
    };
    // The next message to send: retained topics first (an event never tells of a node whose
    // state the broker still shows otherwise), then events in order, then the rest.
    std::optional<Outgoing> next();
    void acknowledged(std::uint64_t id);
    // Every message sent and not acknowledged is to be sent again, and every retained topic too
    // (a broker restarted may have lost them).
    void connectionLost();

    std::uint64_t dropped() const { return m_dropped; }
    std::size_t waitingEvents() const { return m_events.size(); }
    // Nothing waits to be sent or acknowledged.
    bool settled() const;

  private:
    struct Latest {
        BrokerMessage message;
        bool due = true;
        std::optional<std::uint64_t> inFlight;
    };
    struct Queued {
        BrokerMessage message;
        std::optional<std::uint64_t> inFlight;
        bool acknowledged = false;
    };
    std::optional<Outgoing> nextLatest(bool retained);

    const std::size_t m_bound;
    std::map<std::string, Latest> m_latest;
    std::deque<Queued> m_events;
    std::uint64_t m_lastId = 0;
    std::uint64_t m_dropped = 0;
};

}  // namespace watch
