#include "MeshRadio.h"

#include "MeshReplies.h"

namespace sim {

namespace {

constexpr std::uint8_t kNoticeLinkValue = 60;

}  // namespace

proto::Frame MeshRadio::routeListReply(const proto::Setup& own) {
    return sim::routeListReply(m_mesh, own.nodeId);
}

proto::Frame MeshRadio::pathListReply(const proto::Setup& own) {
    return sim::pathListReply(m_mesh, own.nodeId);
}

Carried MeshRadio::carry(const proto::Setup&, const proto::SendDataRequest& request) {
    const auto route = m_mesh.routeTo(request.target);
    if (!route) return {.status = proto::kStatusRouteNotFound};
    const DeliveryOutcome delivery = m_delivery.carry(m_mesh, *route);
    Carried carried{.latency = delivery.latency};
    if (const auto lost = delivery.lostHop) {
        carried.status = *lost == 0 ? proto::kStatusNoAck : proto::kStatusApsNoAck;
        const NodeId from = *lost == 0 ? m_mesh.localNode : (*route)[*lost - 1];
        carried.note = " lost=" + std::to_string(from) + "-" + std::to_string((*route)[*lost]);
    }
    return carried;
}

std::optional<proto::NoticeContent> MeshRadio::madeUpNotice(const proto::Setup& own) {
    auto nodes = m_mesh.remoteNodes();
    std::erase(nodes, own.nodeId);  // given the id of one of them, the module is no source
    if (nodes.empty()) return std::nullopt;
    const NodeId source = nodes[m_notices % nodes.size()];
    const std::uint16_t count = m_notices++;
    return proto::NoticeContent{source, kNoticeLinkValue,
                                std::vector<std::uint8_t>{static_cast<std::uint8_t>(count >> 8),
                                                          static_cast<std::uint8_t>(count)}};
}

}  // namespace sim
