#include "LinkStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "SendData.h"

namespace proto {

namespace {

std::string withoutFullStop(std::string text) {
    if (text.ends_with('.')) text.pop_back();
    return text;
}

// Nearest rank: the smallest value with at least the fraction p of the values at or below it.
double nearestRank(const std::vector<double>& sorted, double p) {
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::max<std::size_t>(rank, 1) - 1];
}

std::string wholeMs(double ms) {
    return std::to_string(std::llround(ms)) + " ms";
}

}  // namespace

void LinkStatistics::countConfirmation(std::uint8_t status, double roundTripMs) {
    m_roundTripsMs.push_back(roundTripMs);
    if (status == kSendStatusOk) {
        ++m_ok;
        return;
    }
    const auto known = std::find_if(m_otherStatuses.begin(), m_otherStatuses.end(),
                                    [status](const StatusCount& s) { return s.status == status; });
    if (known != m_otherStatuses.end()) {
        ++known->count;
    } else {
        m_otherStatuses.push_back({status, sendStatusText(status), 1});
    }
}

std::optional<LinkStatistics::RoundTrips> LinkStatistics::roundTrips() const {
    if (m_roundTripsMs.empty()) return std::nullopt;
    std::vector<double> sorted = m_roundTripsMs;
    std::sort(sorted.begin(), sorted.end());
    return RoundTrips{sorted.front(), nearestRank(sorted, 0.5), nearestRank(sorted, 0.95),
                      sorted.back()};
}

std::string LinkStatistics::summary() const {
    std::vector<std::string> parts;
    const auto add = [&parts](int count, const std::string& what) {
        if (count > 0) parts.push_back(std::to_string(count) + " " + what);
    };
    add(m_sent, "sent");
    add(m_ok, "ok");
    for (const StatusCount& s : m_otherStatuses) add(s.count, withoutFullStop(s.text));
    add(m_noReply, "no reply");

    std::string line = "Link test: ";
    for (std::size_t i = 0; i < parts.size(); ++i) line += (i ? ", " : "") + parts[i];
    if (parts.empty()) line += "0 sent";
    if (const auto trips = roundTrips()) {
        line += "; round trip min " + wholeMs(trips->min) + ", median " + wholeMs(trips->median) +
                ", max " + wholeMs(trips->max);
    }
    return line;
}

}  // namespace proto
