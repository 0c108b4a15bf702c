#include "ProbeRun.h"

#include <algorithm>

#include "SendRequest.h"

namespace watch {

namespace {

// The probe's one pair: its sender is the plan's first port, its target the second.
constexpr std::size_t kProbePair = 0;
constexpr std::size_t kProbeTarget = 1;
// Data later than this is late: a mesh of a few relays carries a send well within it.
constexpr std::chrono::seconds kProbeTimeOut{5};

delivery::Plan probePlan(const ProbeSetting& probe, std::uint16_t fromNode, std::uint16_t toNode) {
    delivery::Plan plan;
    plan.ports = {{probe.from, fromNode}, {probe.to, toNode}};
    plan.pairs = {{0, kProbeTarget}};
    plan.request = modlink::routedRequest("auto", 7, {}, "probe", "route");
    plan.size = delivery::kTagSize;
    plan.interval = probe.every;
    plan.timeout = std::min<delivery::Clock::duration>(kProbeTimeOut, probe.every * 4);
    plan.run = delivery::drawRunId();
    return plan;
}

}  // namespace

void countFate(ProbeFigures& figures, const ProbeFate& fate) {
    ++figures.sent;
    if (!fate.delivered) return;
    ++figures.delivered;
    figures.latencySum += fate.latencySeconds;
    const auto bucket = std::ranges::lower_bound(kProbeLatencyBounds, fate.latencySeconds);
    if (bucket != kProbeLatencyBounds.end())
        ++figures.latencyBuckets[static_cast<std::size_t>(bucket - kProbeLatencyBounds.begin())];
}

ProbeRun::ProbeRun(const ProbeSetting& probe, std::uint16_t fromNode, std::uint16_t toNode,
                   delivery::Clock::time_point start)
    : m_toNode(toNode), m_run(probePlan(probe, fromNode, toNode), start) {}

std::vector<proto::SendDataRequest> ProbeRun::due(delivery::Clock::time_point now) {
    std::vector<proto::SendDataRequest> sends;
    for (const delivery::DeliveryRun::Send& send : m_run.due(now)) sends.push_back(send.request);
    return sends;
}

void ProbeRun::written(delivery::Clock::time_point onWire) {
    m_run.matcher().sent(kProbePair, onWire, 0);
}

void ProbeRun::unwritten() {
    m_run.matcher().unwritten(kProbePair);
}

void ProbeRun::noticed(proto::Bytes notice, delivery::Clock::time_point at) {
    m_run.matcher().noticed(kProbeTarget, notice, at);
}

std::vector<ProbeFate> ProbeRun::advance(delivery::Clock::time_point now) {
    m_run.matcher().advance(now);
    std::vector<ProbeFate> fates;
    for (const delivery::Event& event : m_run.matcher().takeEvents()) {
        const auto* outcome = std::get_if<delivery::SendOutcome>(&event);
        if (!outcome || outcome->verdict == delivery::Verdict::LeftOut) continue;
        const bool delivered = outcome->verdict == delivery::Verdict::Delivered;
        fates.push_back({delivered, delivered ? outcome->latencyMs / 1000.0 : 0});
    }
    return fates;
}

}  // namespace watch
