#pragma once
// What the window shows of a clicked node: for each module answering as it, its port, its
// settings, route list and path as the main window and its route windows show them; for a node
// only heard of, who reaches it. Rich text for the details pane.

#include <QString>
#include <cstdint>

#include "Mesh.h"

namespace meshapp {

QString moduleDetails(const mesh::Mesh& mesh, std::uint16_t node);

}  // namespace meshapp
