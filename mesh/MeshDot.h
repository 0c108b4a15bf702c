#pragma once
// The mesh as a Graphviz graph, for `dot -Tsvg` and for the mesh window's layout. Modules on a
// port are filled boxes labelled with their node id and port; nodes only heard of are dashed
// ellipses. Each pair of linked nodes gets one line: solid where routes run, dashed where only
// a path hop did, an arrow where a route runs one way only (MeshEdge::oneWay); a node only
// heard of as a target, with no line of its own, hangs by dotted lines from the modules that
// reach it. Lines carry their link values (-52), and what a fault names is red, with the
// faults' texts as the nodes' tooltips. Nodes are named "n" and their id. A port that failed,
// drawn, is a red dashed box of its own with the port and its failure, named "failed" and its
// place in the survey.

#include <cstdint>
#include <string>
#include <string_view>

#include "Mesh.h"

namespace mesh {

// The mesh window lays out the nodes alone; `mesh survey --dot` draws the failed ports too.
enum class FailedPorts { kLeftOut, kDrawn };

std::string meshDot(const Mesh& mesh, FailedPorts failedPorts = FailedPorts::kLeftOut);

// "n12": the node's name in the text, by which a layout of it is read back.
std::string dotNodeName(std::uint16_t id);

// text as a quoted DOT string that labels show as it is: quotes and backslashes escaped, line
// breaks as \n, other control characters as spaces and bytes that are not UTF-8 as U+FFFD.
std::string dotQuoted(std::string_view text);

}  // namespace mesh
