#include "Courier.h"

#include <string>
#include <variant>

#include "SendNames.h"

namespace sim {

namespace {

using std::chrono::milliseconds;

constexpr std::uint8_t kRouteModeForbidden = 0;
constexpr std::uint8_t kRouteModeForce = 2;

struct PlannedRoute {
    std::vector<std::size_t> hops;  // modules the data passes, the target last
    // Source routing: the relay or target the last module of hops does not hear, if any.
    std::optional<NodeId> unheard;
};

std::optional<PlannedRoute> sourceRoute(const Airwaves& air, std::size_t from,
                                        const proto::SendDataRequest& request) {
    std::vector<NodeId> chain = request.relays;
    chain.push_back(request.target);
    if (chain.size() > request.jump) return std::nullopt;
    PlannedRoute route;
    std::size_t last = from;
    for (const NodeId node : chain) {
        const auto next = air.neighbourNamed(last, node);
        if (!next) {
            route.unheard = node;
            break;
        }
        route.hops.push_back(*next);
        last = *next;
    }
    return route;
}

// Nothing for a target out of reach or past the jump limit.
std::optional<PlannedRoute> plan(const Airwaves& air, std::size_t from,
                                 const proto::SendDataRequest& request) {
    const RouteTree tree = air.routesFrom(from);
    const auto target = air.reachedNamed(tree, request.target);
    if (!target) return std::nullopt;
    if (request.routeMode == proto::kRouteModeSource) return sourceRoute(air, from, request);
    PlannedRoute route;
    if (request.routeMode == kRouteModeForbidden) {
        const auto neighbour = air.neighbourNamed(from, request.target);
        if (!neighbour) return std::nullopt;
        route.hops = {*neighbour};
    } else {
        route.hops = tree.routeTo(*target);
    }
    if (route.hops.size() > request.jump) return std::nullopt;
    return route;
}

std::string nodeText(const Airwaves& air, std::size_t module) {
    return std::to_string(air.station(module).node);
}

class Crossing {
  public:
    Crossing(const Airwaves& air, std::size_t from, const PlannedRoute& route)
        : m_air(air), m_from(from), m_route(route) {
        for (std::size_t hop = 0; hop < route.hops.size(); ++hop) {
            m_links.push_back(air.audible(before(hop), route.hops[hop]));
            m_latency += m_links.back()->latency;
        }
    }

    milliseconds latency() const { return m_latency; }
    milliseconds firstHopLatency() const {
        return m_links.empty() ? milliseconds{0} : m_links.front()->latency;
    }
    std::uint8_t lastLinkValue() const { return m_links.back()->linkValue; }
    std::size_t before(std::size_t hop) const { return hop == 0 ? m_from : m_route.hops[hop - 1]; }

    // The hop whose data is lost, nothing when it arrives.
    std::optional<std::size_t> forward(Delivery& draws) const {
        for (std::size_t hop = 0; hop < m_links.size(); ++hop)
            if (!draws.arrives(m_links[hop]->delivery)) return hop;
        if (m_route.unheard) return m_links.size();
        return std::nullopt;
    }

    // The hop whose acknowledgement is lost on its way back, nothing when it comes back.
    std::optional<std::size_t> backward(Delivery& draws) const {
        for (std::size_t hop = m_links.size(); hop-- > 0;)
            if (!draws.arrives(m_links[hop]->delivery)) return hop;
        return std::nullopt;
    }

    std::string hopText(std::size_t hop) const {
        const std::string far = hop < m_route.hops.size() ? nodeText(m_air, m_route.hops[hop])
                                                          : std::to_string(*m_route.unheard);
        return nodeText(m_air, before(hop)) + "-" + far;
    }

    std::string routeText() const {
        std::string text;
        for (const std::size_t module : m_route.hops)
            text += (text.empty() ? "" : ",") + nodeText(m_air, module);
        return text;
    }

    std::vector<proto::PathHop> path() const {
        std::vector<proto::PathHop> hops;
        if (m_route.unheard) return hops;
        for (std::size_t hop = 0; hop < m_links.size() && hops.size() < proto::kPathSlots; ++hop)
            hops.push_back({m_air.station(m_route.hops[hop]).node, m_links[hop]->linkValue});
        return hops;
    }

  private:
    const Airwaves& m_air;
    std::size_t m_from;
    const PlannedRoute& m_route;
    std::vector<const RadioLink*> m_links;
    milliseconds m_latency{0};
};

}  // namespace

Sending carryAcross(const Airwaves& air, std::size_t from, const proto::SendDataRequest& request,
                    Delivery& draws) {
    Sending sending;
    if (request.routeMode > proto::kRouteModeSource) {
        sending.confirmation.status = proto::kStatusInvalidParameter;
        return sending;
    }
    const auto route = plan(air, from, request);
    if (!route) {
        sending.confirmation.status = proto::kStatusRouteNotFound;
        return sending;
    }
    const Crossing crossing(air, from, *route);
    const milliseconds discovery =
        request.routeMode == kRouteModeForce ? 2 * crossing.latency() : milliseconds{0};
    Carried& confirmation = sending.confirmation;
    confirmation.note = " route=" + crossing.routeText();
    const auto lost = crossing.forward(draws);
    if (lost) confirmation.note += " lost=" + crossing.hopText(*lost);
    if (lost == 0) {
        confirmation.status = proto::kStatusNoAck;
        confirmation.latency = discovery + crossing.firstHopLatency();
    } else if (request.ack == 0) {
        confirmation.latency = discovery + crossing.firstHopLatency();
    } else {
        confirmation.latency = discovery + 2 * crossing.latency();
        const auto ackLost = lost ? std::nullopt : crossing.backward(draws);
        if (ackLost) confirmation.note += " ack-lost=" + crossing.hopText(*ackLost);
        if (lost || ackLost) confirmation.status = proto::kStatusApsNoAck;
    }
    if (!lost) {
        sending.arrival = Arrival{
            route->hops.back(), discovery + crossing.latency(),
            proto::NoticeContent{air.station(from).node, crossing.lastLinkValue(), request.data}};
    }
    sending.path = crossing.path();
    return sending;
}

}  // namespace sim
