// route, path and ports: what the module and the machine know of the mesh and the ports.

#include <iostream>

#include "CXSerial.h"
#include "Commands.h"
#include "NumberText.h"
#include "PortNames.h"
#include "RemotePorts.h"
#include "RouteList.h"
#include "Text.h"

namespace {

Json numbers(const std::vector<std::string>& texts) {
    Json list = Json::array();
    for (const std::string& text : texts) list.push_back(proto::readDecimal(text));
    return list;
}

// The window's error line without its "> " marker.
std::string withoutMarker(std::string_view line) {
    return std::string(line.substr(line.find(' ') + 1));
}

}  // namespace

ExitCode listPorts(const CommonOptions& common) {
    for (const std::string& problem : readRemotePorts().problems)
        std::cerr << "meshcfg-cli: " << problem << "\n";
    Json list = Json::array();
    for (const ListedPort& listed : CXSerial::ListedPorts()) {
        if (!common.json) {
            std::cout << listed.text() << "\n";
            continue;
        }
        const PortEntry entry = portEntry(listed.port);
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
    const Session::Exchange reply = session.request(proto::buildReadRouteList());
    const auto list = proto::decodeRouteList(reply.reply);
    if (!list) throw session.failure(kExitNoReply, "the route list reply is cut short");
    if (list->routeNodes.empty())
        throw session.failure(kExitRefused, withoutMarker(proto::kRouteError));
    if (common.json) {
        Json routes = Json::array();
        for (std::size_t i = 0; i < list->routeNodes.size(); ++i) {
            routes.push_back({{"route", proto::readDecimal(list->routeNodes[i])},
                              {"target", proto::readDecimal(list->targetNodes[i])}});
        }
        std::cout << Json{{"local", proto::readDecimal(list->localNode)}, {"routes", routes}}.dump()
                  << "\n";
        return kExitDone;
    }
    std::cout << "local=" << list->localNode << "\n";
    for (std::size_t i = 0; i < list->routeNodes.size(); ++i)
        std::cout << "route=" << list->routeNodes[i] << " target=" << list->targetNodes[i] << "\n";
    return kExitDone;
}

ExitCode readPath(const CommonOptions& common) {
    Session session(common);
    const Session::Exchange reply = session.request(proto::buildReadPathList());
    const auto path = proto::decodePathList(reply.reply);
    if (!path) throw session.failure(kExitNoReply, "the path reply is cut short");
    if (common.json) {
        std::cout
            << Json{{"path", numbers(path->pathNodes)}, {"links", numbers(path->linkValues)}}.dump()
            << "\n";
        return kExitDone;
    }
    std::cout << "path=" << joined(path->pathNodes, " ")
              << "\nlinks=" << joined(path->linkValues, " ") << "\n";
    return kExitDone;
}
