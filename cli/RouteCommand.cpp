// route: the module's route list.

#include <CLI/CLI.hpp>
#include <iostream>

#include "Commands.h"
#include "SetupExchange.h"

namespace cli {

namespace {

// An empty list is an answer too, printed as it is: the module hears no one. The exit code and
// the line on standard error still say so.
modlink::ExitCode readRoutes(const modlink::CommonOptions& common) {
    modlink::Session session = portSession(common);
    const modlink::RouteTable table = modlink::readRouteTable(session);
    if (common.json) {
        modlink::Json rows = modlink::Json::array();
        for (const proto::RouteEntry& entry : table.routes)
            rows.push_back({{"route", entry.route}, {"target", entry.target}});
        std::cout << modlink::Json{{"local", table.local}, {"routes", rows}}.dump() << std::endl;
    } else {
        std::cout << "local=" << table.local << "\n";
        for (const proto::RouteEntry& entry : table.routes)
            std::cout << "route=" << entry.route << " target=" << entry.target << "\n";
        std::cout << std::flush;
    }
    if (table.routes.empty())
        throw session.failure(modlink::kExitRefused, "the route list holds no routes");
    return modlink::kExitDone;
}

}  // namespace

void addRouteCommand(CLI::App& subcommand, CommandRun& run) {
    CLI::App* route = &subcommand;
    run.add(route, kPortOptions, onePort, readRoutes);
}

}  // namespace cli
