#pragma once
// The module's route list and path list replies for a mesh.

#include "Frame.h"
#include "LabMesh.h"

namespace sim {

// The mesh's route entries in order, those it leaves out empty. local: the id the module goes
// by now, which a setup write may have changed from the mesh's local node.
proto::Frame routeListReply(const Mesh& mesh, NodeId local);

// The path hops with the link values the module reports for them, from local.
proto::Frame pathListReply(const Mesh& mesh, NodeId local);

}  // namespace sim
