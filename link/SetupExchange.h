#pragma once
// The exchanges the commands share: the setup read, write and apply use, and the module's
// view of the mesh.

#include <string>
#include <vector>

#include "Messages.h"
#include "Session.h"
#include "Settings.h"

namespace modlink {

proto::Setup readSetupValues(Session& session);
void writeSetupValues(Session& session, const proto::Setup& setup);

// "key wrote X read Y" for every setting that differs; empty when none does.
std::string mismatch(const proto::Setup& expected, const proto::Setup& actual);

// The route list as `route` shows it: the rows that hold a route, none for a module that hears
// no one.
struct RouteTable {
    int local = 0;
    std::vector<proto::RouteEntry> routes;
};
RouteTable readRouteTable(Session& session);

// The path as `path` shows it: the local node, then each hop's node; each hop's link value as
// minus the module's number.
struct PathNodes {
    std::vector<int> nodes;
    std::vector<int> links;
};
PathNodes readPathNodes(Session& session);

}  // namespace modlink
