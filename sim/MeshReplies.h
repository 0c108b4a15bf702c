#pragma once
// The module's route list and path list replies for a mesh.

#include "Frame.h"
#include "LabMesh.h"

namespace sim {

// The mesh's route entries in order, those it leaves out empty.
proto::Frame routeListReply(const Mesh& mesh);

// The path hops with the link values the module reports for them.
proto::Frame pathListReply(const Mesh& mesh);

}  // namespace sim
