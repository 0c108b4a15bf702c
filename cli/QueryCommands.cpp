// route, path and ports: what the module and the machine know of the mesh and the ports.

#include <iostream>

#include "CXSerial.h"
#include "Commands.h"
#include "Messages.h"
#include "PortDirectory.h"
#include "PortNames.h"
#include "Text.h"

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

ExitCode listPorts(const CommonOptions& common) {
    const PortDirectory directory;
    for (const std::string& problem : directory.remote().problems)
        std::cerr << "meshcfg-cli: " << problem << "\n";
    Json list = Json::array();
    for (const ListedPort& listed : CXSerial::ListedPorts(directory.remote())) {
        if (!common.json) {
            std::cout << listed.text() << "\n";
            continue;
        }
        const PortEntry entry = directory.entry(listed.port);
        list.push_back({{"port", entry.name},
                        {"device", entry.device},
                        {"adapter", joined(entry.adapter, ", ")},
                        {"url", entry.url},
                        {"permission", listed.availability == PortAvailability::kFree}});
    }
    if (common.json) std::cout << list.dump() << "\n";
    return kExitDone;
}

ExitCode readRoutes(const CommonOptions& common) {
    Session session(common);
    const auto list = replyOf<proto::RouteListReply>(
        session, proto::encode(proto::RouteListRequest{}), "the route list reply is cut short");
    std::vector<proto::RouteEntry> routes;
    for (const auto& entry : list.entries)
        if (entry) routes.push_back(*entry);
    if (routes.empty()) throw session.failure(kExitRefused, "the route list holds no routes");
    if (common.json) {
        Json rows = Json::array();
        for (const proto::RouteEntry& entry : routes)
            rows.push_back({{"route", entry.route}, {"target", entry.target}});
        std::cout << Json{{"local", list.localNode}, {"routes", rows}}.dump() << "\n";
        return kExitDone;
    }
    std::cout << "local=" << list.localNode << "\n";
    for (const proto::RouteEntry& entry : routes)
        std::cout << "route=" << entry.route << " target=" << entry.target << "\n";
    return kExitDone;
}

ExitCode readPath(const CommonOptions& common) {
    Session session(common);
    const auto path = replyOf<proto::PathReply>(session, proto::encode(proto::PathRequest{}),
                                                "the path reply is cut short");
    std::vector<int> nodes{path.localNode};
    std::vector<int> links;
    for (const proto::PathHop& hop : path.hops) {
        nodes.push_back(hop.node);
        links.push_back(-static_cast<int>(hop.linkValue));
    }
    if (common.json) {
        std::cout << Json{{"path", nodes}, {"links", links}}.dump() << "\n";
        return kExitDone;
    }
    const auto line = [](const std::vector<int>& numbers) {
        std::string text;
        for (const int number : numbers) text += (text.empty() ? "" : " ") + std::to_string(number);
        return text;
    };
    std::cout << "path=" << line(nodes) << "\nlinks=" << line(links) << "\n";
    return kExitDone;
}
