#pragma once
// The nodes a survey heard: each module that answered on its port, and every node a module's
// route list names, as target or first hop. A path is where the module's last data went, maybe
// long ago, so it hears no one: a node switched off stays in the paths that ran through it.

#include <cstdint>
#include <map>
#include <string>

#include "Mesh.h"

namespace watch {

struct HeardThrough {
    std::string port;  // its module's own, else that of the first module whose list names it
    bool own = false;  // the node's own module answered on it
};

using HeardNodes = std::map<std::uint16_t, HeardThrough>;

HeardNodes heardIn(const mesh::Mesh& mesh);

// The port of the first module answering as the node; empty for a node only heard of.
std::string portOfNode(const mesh::Mesh& mesh, std::uint16_t node);

}  // namespace watch
