#pragma once
// The module's route list and path list replies for a mesh.

#include "Frame.h"
#include "Mesh.h"

namespace sim {

// 369 bytes: local node at offset 4, 40 entries of 9 bytes from offset 8. The length byte
// holds the low byte of the 364-byte payload, as the module's does.
proto::Frame routeListReply(const Mesh& mesh);

// 32 bytes: local node at offset 5, 8 hops of 3 bytes from offset 7, the target in hop 0 and
// the first hop after the local node in the highest used hop.
proto::Frame pathListReply(const Mesh& mesh);

}  // namespace sim
