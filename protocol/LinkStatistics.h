#pragma once
// The figures of a link test: how many sends went out, how the module confirmed them, how many
// got no confirmation, and how long the round trips took. Shared by the window's continuous
// sending and the command line's repeated send.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace proto {

class LinkStatistics {
  public:
    struct StatusCount {
        std::uint8_t status = 0;
        std::string text{};  // "Route not found.", or "status 5A" for one the table lacks
        int count = 0;
    };
    struct RoundTrips {  // milliseconds, nearest-rank percentiles
        double min = 0;
        double median = 0;
        double p95 = 0;
        double max = 0;
    };

    void countSent() { ++m_sent; }
    void countConfirmation(std::uint8_t status, double roundTripMs);
    void countNoReply() { ++m_noReply; }

    int sent() const { return m_sent; }
    int ok() const { return m_ok; }
    int noReply() const { return m_noReply; }
    // Every status other than ok, in the order first seen.
    const std::vector<StatusCount>& otherStatuses() const { return m_otherStatuses; }
    std::optional<RoundTrips> roundTrips() const;

    // "Link test: 120 sent, 117 ok, 2 Route not found, 1 no reply; round trip min 38 ms,
    // median 41 ms, max 97 ms": counts of 0 left out, no round trip before a confirmation.
    std::string summary() const;

  private:
    int m_sent = 0;
    int m_ok = 0;
    int m_noReply = 0;
    std::vector<StatusCount> m_otherStatuses;
    std::vector<double> m_roundTripsMs;
};

}  // namespace proto
