// route, path and ports: what the module and the machine know of the mesh and the ports.

#include <iostream>

#include "Commands.h"
#include "Messages.h"
#include "PortDirectory.h"
#include "PortNames.h"
#include "SetupExchange.h"
#include "Text.h"

Json portListJson(const PortDirectory& directory) {
    Json list = Json::array();
    for (const ListedPort& listed : directory.listed()) {
        const PortEntry entry = directory.entry(listed.port);
        list.push_back({{"port", entry.name},
                        {"device", entry.device},
                        {"adapter", joined(entry.adapter, ", ")},
                        {"url", entry.url},
                        {"permission", listed.availability == PortAvailability::kFree}});
    }
    return list;
}

ExitCode listPorts(const CommonOptions& common) {
    const PortDirectory directory;
    for (const std::string& problem : directory.remote().problems)
        std::cerr << "meshcfg-cli: " << problem << "\n";
    if (common.json) {
        std::cout << portListJson(directory).dump() << "\n";
        return kExitDone;
    }
    for (const ListedPort& listed : directory.listed()) std::cout << listed.text() << "\n";
    return kExitDone;
}

ExitCode readRoutes(const CommonOptions& common) {
    Session session(common);
    const RouteTable table = readRouteTable(session);
    if (common.json) {
        Json rows = Json::array();
        for (const proto::RouteEntry& entry : table.routes)
            rows.push_back({{"route", entry.route}, {"target", entry.target}});
        std::cout << Json{{"local", table.local}, {"routes", rows}}.dump() << "\n";
        return kExitDone;
    }
    std::cout << "local=" << table.local << "\n";
    for (const proto::RouteEntry& entry : table.routes)
        std::cout << "route=" << entry.route << " target=" << entry.target << "\n";
    return kExitDone;
}

ExitCode readPath(const CommonOptions& common) {
    Session session(common);
    const PathNodes path = readPathNodes(session);
    if (common.json) {
        std::cout << Json{{"path", path.nodes}, {"links", path.links}}.dump() << "\n";
        return kExitDone;
    }
    const auto line = [](const std::vector<int>& numbers) {
        std::string text;
        for (const int number : numbers) text += (text.empty() ? "" : " ") + std::to_string(number);
        return text;
    };
    std::cout << "path=" << line(path.nodes) << "\nlinks=" << line(path.links) << "\n";
    return kExitDone;
}
