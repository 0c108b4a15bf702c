// route: the module's route list.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "SetupExchange.h"

namespace {

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

}  // namespace

void addRouteCommand(CLI::App& subcommand, CommandRun& run) {
    CLI::App* route = &subcommand;
    run.add(route, kPortOptions, onePort, readRoutes);
}
