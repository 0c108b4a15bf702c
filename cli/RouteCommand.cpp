// route: the module's route list.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "SetupExchange.h"

namespace {

// An empty list is an answer too, printed as it is: the module hears no one. The exit code and
// the line on standard error still say so.
ExitCode readRoutes(const CommonOptions& common) {
    Session session = portSession(common);
    const RouteTable table = readRouteTable(session);
    if (common.json) {
        Json rows = Json::array();
        for (const proto::RouteEntry& entry : table.routes)
            rows.push_back({{"route", entry.route}, {"target", entry.target}});
        std::cout << Json{{"local", table.local}, {"routes", rows}}.dump() << std::endl;
    } else {
        std::cout << "local=" << table.local << "\n";
        for (const proto::RouteEntry& entry : table.routes)
            std::cout << "route=" << entry.route << " target=" << entry.target << "\n";
        std::cout << std::flush;
    }
    if (table.routes.empty()) throw session.failure(kExitRefused, "the route list holds no routes");
    return kExitDone;
}

}  // namespace

void addRouteCommand(CLI::App& subcommand, CommandRun& run) {
    CLI::App* route = &subcommand;
    run.add(route, kPortOptions, onePort, readRoutes);
}
