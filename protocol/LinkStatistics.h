#pragma once
// The figures of a link test: how many sends went out, how the module confirmed them in time,
// how many got no confirmation within their time-out, how many confirmations came after it
// (late) or could not be the answer to any send (unmatched), and how long the round trips of
// the confirmations in time took. Shared by the window's continuous sending and the command
// line's repeated send.
//
// A week of continuous sending is over half a million round trips, so they are kept as a
// fixed histogram: constant time and memory per send, however long the run. Bins are 0.2 %
// wide on a log scale from 0.01 ms to 1000 s, so a percentile is the true nearest-rank value
// within 0.1 % (or 0.01 ms below 0.01 ms); min and max are exact.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace proto {

class RoundTripHistogram {
  public:
    void add(double ms);
    std::size_t count() const { return m_count; }
    double min() const { return m_min; }
    double max() const { return m_max; }
    // The smallest value with at least the fraction p of the values at or below it; call only
    // when count() > 0.
    double nearestRank(double p) const;

  private:
    static constexpr double kLowestMs = 0.01;
    static constexpr double kBinRatio = 1.002;
    // Bin 0 holds everything below kLowestMs; the last bin everything from about 1000 s up.
    static constexpr std::size_t kBins = 9222;

    static std::size_t binOf(double ms);
    double valueOf(std::size_t bin) const;

    std::vector<std::uint32_t> m_bins = std::vector<std::uint32_t>(kBins);
    std::size_t m_count = 0;
    double m_min = 0;
    double m_max = 0;
};

class LinkStatistics {
  public:
    struct StatusCount {
        std::uint8_t status = 0;
        std::string text{};  // "Route not found.", or "status 5A" for one the table lacks
        int count = 0;
    };
    struct RoundTrips {  // milliseconds, nearest-rank percentiles within the bins' error
        double min = 0;
        double median = 0;
        double p95 = 0;
        double max = 0;
    };

    void countSent() { ++m_sent; }
    // Sends a test ended before they had their confirmation or their time-out.
    void leaveOutSent(int sends) { m_sent -= sends; }
    void countConfirmation(std::uint8_t status, double roundTripMs);
    void countNoReply() { ++m_noReply; }
    void countLate() { ++m_late; }
    void countUnmatched() { ++m_unmatched; }

    int sent() const { return m_sent; }
    int ok() const { return m_ok; }
    int noReply() const { return m_noReply; }
    int late() const { return m_late; }
    int unmatched() const { return m_unmatched; }
    // Every status other than ok, in the order first seen.
    const std::vector<StatusCount>& otherStatuses() const { return m_otherStatuses; }
    std::optional<RoundTrips> roundTrips() const;

    // "Link test: 120 sent, 117 ok, 2 Route not found, 1 no reply, 1 late, 1 unmatched; round
    // trip min 38 ms, median 41 ms, max 97 ms": counts of 0 left out, no round trip before a
    // confirmation in time.
    std::string summary() const;

  private:
    int m_sent = 0;
    int m_ok = 0;
    int m_noReply = 0;
    int m_late = 0;
    int m_unmatched = 0;
    std::vector<StatusCount> m_otherStatuses;
    RoundTripHistogram m_roundTrips;
};

}  // namespace proto
