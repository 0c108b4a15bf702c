#pragma once
// One probe: tagged data sent from one watched port to another every so often, followed by the
// delivery test's own run (its scheduler, tags and matcher), kept going for as long as the
// watcher runs. The loop writes each send through the sender's port, hands in when it went out
// and the notices the target's port reads, and learns each send's fate: delivered or not, and
// its one-way latency. Reads no clock and opens nothing.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DeliveryRun.h"

namespace watch {

struct ProbeSetting {
    std::string from;  // the ports as named
    std::string to;
    std::chrono::seconds every{10};
    bool operator==(const ProbeSetting&) const = default;
};

// The latency histogram's upper bounds, in seconds, as Prometheus reads them (le).
inline constexpr std::array<double, 9> kProbeLatencyBounds = {0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 30};

// A pair's figures since the watcher started.
struct ProbeFigures {
    std::string from;
    std::string to;
    std::uint64_t sent = 0;  // whose fate is known
    std::uint64_t delivered = 0;
    std::array<std::uint64_t, kProbeLatencyBounds.size()> latencyBuckets{};  // not cumulative
    double latencySum = 0;                                                   // seconds
};

struct ProbeFate {
    bool delivered = false;
    double latencySeconds = 0;  // when delivered
};

// Adds a send's fate to the figures.
void countFate(ProbeFigures& figures, const ProbeFate& fate);

class ProbeRun {
  public:
    ProbeRun(const ProbeSetting& probe, std::uint16_t fromNode, std::uint16_t toNode,
             delivery::Clock::time_point start);

    std::uint16_t toNode() const { return m_toNode; }
    // The frames of the sends due by now, in order; each one is then written or unwritten.
    std::vector<proto::SendDataRequest> due(delivery::Clock::time_point now);
    void written(delivery::Clock::time_point onWire);
    void unwritten();
    // A receive notice the target's port read, its last byte at `at`.
    void noticed(proto::Bytes notice, delivery::Clock::time_point at);
    // The fates known by now, in the order of the sends.
    std::vector<ProbeFate> advance(delivery::Clock::time_point now);
    std::optional<delivery::Clock::time_point> nextWake() const { return m_run.nextWake(); }

  private:
    const std::uint16_t m_toNode;
    delivery::DeliveryRun m_run;
};

}  // namespace watch
