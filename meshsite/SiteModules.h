#pragma once
// A mesh file's modules found and read: each by its port, or by its adapter's serial wherever the
// adapter is plugged now, all at once, one engine each.

#include <string>
#include <vector>

#include "MeshFile.h"
#include "MeshPlan.h"
#include "ModuleReading.h"
#include "Survey.h"

namespace meshsite {

// One reading per module of the file, in its order. A module whose adapter is not plugged is
// read as a port that failed. A Failure with kExitUsage, before any port opens, when two modules
// come to one port; Interrupted when Ctrl+C cut the reading short.
mesh::Survey readModules(const meshplan::MeshFile& file, const modlink::CommonOptions& link,
                         const ports::PortDirectory& directory, survey::Asked asked);

// How a file reaches each port: by the serial of the USB adapter behind it where that serial
// names that adapter alone, else by the port's name.
std::vector<meshplan::ModuleReach> reachesOf(const std::vector<ports::PortTarget>& ports);

}  // namespace meshsite
