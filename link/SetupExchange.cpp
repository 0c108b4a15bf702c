#include "SetupExchange.h"

namespace {

template <typename Value>
Value replyOf(Session& session, proto::Bytes request, const char* cutShort) {
    const Session::Exchange exchange = session.request(request);
    const auto reply = proto::decodeReply(exchange.reply);
    const auto* value = reply ? std::get_if<Value>(&*reply) : nullptr;
    if (!value) throw session.failure(kExitNoReply, cutShort);
    return *value;
}

}  // namespace

proto::Setup readSetupValues(Session& session) {
    return replyOf<proto::SetupReply>(session, proto::encode(proto::ReadSetupRequest{}),
                                      "the setup reply is cut short")
        .setup;
}

void writeSetupValues(Session& session, const proto::Setup& setup) {
    session.request(proto::encode(proto::WriteSetupRequest{setup}));
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
    const auto list = replyOf<proto::RouteListReply>(
        session, proto::encode(proto::RouteListRequest{}), "the route list reply is cut short");
    RouteTable table{list.localNode, {}};
    for (const auto& entry : list.entries)
        if (entry) table.routes.push_back(*entry);
    return table;
}

PathNodes readPathNodes(Session& session) {
    const auto path = replyOf<proto::PathReply>(session, proto::encode(proto::PathRequest{}),
                                                "the path reply is cut short");
    PathNodes shown{{path.localNode}, {}};
    for (const proto::PathHop& hop : path.hops) {
        shown.nodes.push_back(hop.node);
        shown.links.push_back(-static_cast<int>(hop.linkValue));
    }
    return shown;
}
