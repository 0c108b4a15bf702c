#include "SetupExchange.h"

namespace modlink {

namespace {

// The engine has read the reply as its request's.
template <typename Value>
Value replyOf(Session& session, const proto::Request& request) {
    return std::get<Value>(*session.request(request).reply);
}

}  // namespace

proto::Setup readSetupValues(Session& session) {
    return replyOf<proto::SetupReply>(session, proto::ReadSetupRequest{}).setup;
}

void writeSetupValues(Session& session, const proto::Setup& setup) {
    session.request(proto::WriteSetupRequest{setup});
}

std::string mismatch(const proto::Setup& expected, const proto::Setup& actual) {
    std::string text;
    const Json want = settingsJson(expected);
    const Json got = settingsJson(actual);
    for (const std::string& key : differingSettings(expected, actual))
        text += (text.empty() ? "" : ", ") + key + " wrote " + want[key].dump() + " read " +
                got[key].dump();
    return text;
}

RouteTable readRouteTable(Session& session) {
    const auto list = replyOf<proto::RouteListReply>(session, proto::RouteListRequest{});
    RouteTable table{list.localNode, {}};
    for (const auto& entry : list.entries)
        if (entry) table.routes.push_back(*entry);
    return table;
}

PathNodes readPathNodes(Session& session) {
    const auto path = replyOf<proto::PathReply>(session, proto::PathRequest{});
    PathNodes shown{{path.localNode}, {}};
    for (const proto::PathHop& hop : path.hops) {
        shown.nodes.push_back(hop.node);
        shown.links.push_back(-static_cast<int>(hop.linkValue));
    }
    return shown;
}

}  // namespace modlink
