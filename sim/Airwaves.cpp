#include "Airwaves.h"

#include <algorithm>
#include <tuple>

namespace sim {

std::vector<std::size_t> RouteTree::routeTo(std::size_t module) const {
    std::vector<std::size_t> route(static_cast<std::size_t>(m_hops[module]));
    for (std::size_t k = route.size(); k-- > 0; module = m_previous[module]) route[k] = module;
    return route;
}

Airwaves::Airwaves(std::vector<Station> stations, std::vector<RadioLink> links)
    : m_stations(std::move(stations)) {
    relink(std::move(links));
}

void Airwaves::relink(std::vector<RadioLink> links) {
    m_links = std::move(links);
    m_linksOf.assign(m_stations.size(), {});
    for (std::size_t i = 0; i < m_links.size(); ++i) {
        m_linksOf[m_links[i].a].push_back(i);
        m_linksOf[m_links[i].b].push_back(i);
    }
}

bool Airwaves::tunedAlike(std::size_t a, std::size_t b) const {
    const Station& one = m_stations[a];
    const Station& other = m_stations[b];
    return one.on && other.on && one.frequencyRegister == other.frequencyRegister &&
           one.networkId == other.networkId;
}

const RadioLink* Airwaves::audible(std::size_t a, std::size_t b) const {
    if (!tunedAlike(a, b)) return nullptr;
    for (const std::size_t i : m_linksOf[a]) {
        const RadioLink& link = m_links[i];
        if ((link.a == a && link.b == b) || (link.a == b && link.b == a)) return &link;
    }
    return nullptr;
}

bool Airwaves::closer(std::size_t a, std::size_t b) const {
    return std::pair(m_stations[a].node, a) < std::pair(m_stations[b].node, b);
}

// Breadth first, one hop count at a time: when a module is reached, every module one hop nearer
// has its best route already, so the weakest link of each way in is known.
RouteTree Airwaves::routesFrom(std::size_t from) const {
    RouteTree tree(m_stations.size());
    if (!m_stations[from].on) return tree;
    std::vector<std::size_t> frontier{from};
    std::vector<bool> seen(m_stations.size(), false);
    seen[from] = true;
    for (int hops = 1; !frontier.empty(); ++hops) {
        std::vector<std::size_t> next;
        for (const std::size_t near : frontier) {
            for (const std::size_t i : m_linksOf[near]) {
                const RadioLink& link = m_links[i];
                const std::size_t far = link.a == near ? link.b : link.a;
                if ((seen[far] && tree.m_hops[far] != hops) || !tunedAlike(near, far)) continue;
                const std::uint8_t weakest =
                    std::max(near == from ? std::uint8_t{0} : tree.m_weakest[near], link.linkValue);
                const bool better =
                    !seen[far] || weakest < tree.m_weakest[far] ||
                    (weakest == tree.m_weakest[far] && closer(near, tree.m_previous[far]));
                if (!better) continue;
                if (!seen[far]) next.push_back(far);
                seen[far] = true;
                tree.m_previous[far] = near;
                tree.m_hops[far] = hops;
                tree.m_weakest[far] = weakest;
            }
        }
        frontier = std::move(next);
    }
    return tree;
}

std::optional<std::size_t> Airwaves::neighbourNamed(std::size_t from, NodeId node) const {
    std::optional<std::size_t> best;
    std::uint8_t bestValue = 0;
    for (const std::size_t i : m_linksOf[from]) {
        const RadioLink& link = m_links[i];
        const std::size_t far = link.a == from ? link.b : link.a;
        if (m_stations[far].node != node || !tunedAlike(from, far)) continue;
        if (!best || std::pair(link.linkValue, far) < std::pair(bestValue, *best)) {
            best = far;
            bestValue = link.linkValue;
        }
    }
    return best;
}

std::optional<std::size_t> Airwaves::reachedNamed(const RouteTree& tree, NodeId node) const {
    std::optional<std::size_t> best;
    for (std::size_t m = 0; m < m_stations.size(); ++m) {
        if (m_stations[m].node != node || !tree.reaches(m)) continue;
        if (!best || std::tuple(tree.hops(m), tree.weakest(m), m) <
                         std::tuple(tree.hops(*best), tree.weakest(*best), *best))
            best = m;
    }
    return best;
}

}  // namespace sim
