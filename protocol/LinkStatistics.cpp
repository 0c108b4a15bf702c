#include "LinkStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "SendNames.h"

namespace proto {

namespace {

std::string withoutFullStop(std::string text) {
    if (text.ends_with('.')) text.pop_back();
    return text;
}

std::string wholeMs(double ms) {
    return std::to_string(std::llround(ms)) + " ms";
}

}  // namespace

std::size_t RoundTripHistogram::binOf(double ms) {
    if (!(ms >= kLowestMs)) return 0;  // NaN too
    const double steps = std::log(ms / kLowestMs) / std::log(kBinRatio);
    return std::min(kBins - 1, 1 + static_cast<std::size_t>(std::min(steps, double(kBins))));
}

// The geometric middle of the bin, which is within half a bin's width of any value in it;
// never outside what was seen.
double RoundTripHistogram::valueOf(std::size_t bin) const {
    const double middle =
        bin == 0 ? kLowestMs / 2 : kLowestMs * std::pow(kBinRatio, double(bin) - 0.5);
    return std::clamp(middle, m_min, m_max);
}

void RoundTripHistogram::add(double ms) {
    m_min = m_count == 0 ? ms : std::min(m_min, ms);
    m_max = m_count == 0 ? ms : std::max(m_max, ms);
    ++m_count;
    ++m_bins[binOf(ms)];
}

double RoundTripHistogram::nearestRank(double p) const {
    const auto rank = std::max<std::size_t>(
        1, static_cast<std::size_t>(std::ceil(p * static_cast<double>(m_count))));
    std::size_t below = 0;
    for (std::size_t bin = 0; bin < kBins; ++bin) {
        below += m_bins[bin];
        if (below >= rank) return valueOf(bin);
    }
    return m_max;
}

void LinkStatistics::countConfirmation(std::uint8_t status, double roundTripMs) {
    m_roundTrips.add(roundTripMs);
    if (status == kStatusOk) {
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
    if (m_roundTrips.count() == 0) return std::nullopt;
    return RoundTrips{m_roundTrips.min(), m_roundTrips.nearestRank(0.5),
                      m_roundTrips.nearestRank(0.95), m_roundTrips.max()};
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
    add(m_late, "late");
    add(m_unmatched, "unmatched");

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
