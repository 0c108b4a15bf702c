#include "DeliveryWatch.h"

#include <cstdio>

#include "SpanText.h"

namespace watch {

namespace {

std::string percentText(double share) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", share * 100);
    return text;
}

}  // namespace

void DeliveryWatch::probed(const ProbePair& pair, bool delivered, const DeliveryRule& rule,
                           WallTime now, std::vector<Event>& events) {
    Window& window = m_pairs[pair];
    window.fates.push_back({now, delivered});
    window.delivered += delivered ? 1 : 0;
    while (!window.fates.empty() &&
           (window.fates.front().time < now - rule.window || window.fates.size() > kMostSends)) {
        window.delivered -= window.fates.front().delivered ? 1 : 0;
        window.fates.pop_front();
    }
    const std::size_t sent = window.fates.size();
    if (sent < kFewestSends) return;
    const double share = static_cast<double>(window.delivered) / static_cast<double>(sent);
    const bool low = share < rule.below;
    if (low == window.low) return;
    window.low = low;
    const std::string names = pair.from + " -> " + pair.to;
    const std::string figures = "delivered " + std::to_string(window.delivered) + " of " +
                                std::to_string(sent) + " sends in the last " +
                                forms::spanText(rule.window) + " (" + percentText(share);
    const std::string threshold = percentText(rule.below);
    events.push_back({.time = now,
                      .kind = EventKind::DeliveryLow,
                      .phase = low ? EventPhase::Starts : EventPhase::Ends,
                      .port = pair.from,
                      .oldValue = low ? "at least " + threshold : "below " + threshold,
                      .newValue = percentText(share),
                      .text = names + " " + figures + (low ? ", below " : ", back to at least ") +
                              threshold + ")"});
}

}  // namespace watch
