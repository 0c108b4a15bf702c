#pragma once
// Who reaches whom, read from the route lists alone.
//
// A module reaches node N when its route list holds a used entry whose target is N: it knows a
// route to N, whose first hop is the entry's route node. An entry whose target is the module
// itself or no node (0xFFFF) reaches nothing. A path reply tells where the module's last data
// went, not where it can send now, so it reaches nothing either.
//
// A route list whose slots are all used may have left routes out: it says nothing about a node
// it does not name. "No module reaches N" therefore holds only when at least one module other
// than N read out its route list, none of those lists names N, and none of them is full. A
// module whose route list could not be read is not counted (its failure is a fault of its own).

#include <cstdint>
#include <vector>

#include "Survey.h"

namespace mesh {

// The used entries of the module's route list that reach a node, in list order; none when the
// list was not read.
std::vector<proto::RouteEntry> routesOf(const Module& module);

bool reaches(const Module& module, std::uint16_t node);

// Read and not full: what it does not name, the module has no route to.
bool namesAllRoutes(const Module& module);

// Names all its routes, and none to node.
bool surelyMisses(const Module& module, std::uint16_t node);

bool noModuleReaches(const std::vector<Module>& modules, std::uint16_t node);

}  // namespace mesh
