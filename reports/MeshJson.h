#pragma once
// A surveyed mesh as scripts read it: one row per module, so that two modules of one node id
// both show, then the nodes only heard of; and the mesh as one JSON document of nodes, edges
// and faults.

#include <vector>

#include "Mesh.h"
#include "Settings.h"

namespace reports {

// A node as the table and the JSON show it: a module on its port, or a node only heard of.
struct NodeRow {
    const mesh::MeshNode* node = nullptr;
    const mesh::SurveyedPort* port = nullptr;  // null for a node only heard of
};

std::vector<NodeRow> nodeRows(const mesh::Mesh& mesh);

// What the module on the port answered; null for a port that failed.
const mesh::ModuleAnswers* answersOf(const mesh::SurveyedPort& port);

// The routes a module listed; none for a node only heard of or a list not read.
std::vector<proto::RouteEntry> routesOf(const mesh::SurveyedPort* port);

// The mesh as one document: nodes, edges and faults, as --json prints it.
modlink::Json meshJson(const mesh::Mesh& mesh);

// Such a document read back, as another program served it: each node row's port a module
// whose answers are not read back, the edges and faults as listed, every text made printable.
// Throws std::exception (Json's or std::runtime_error) for a document not of that form.
mesh::Mesh meshFromJson(const modlink::Json& json);

}  // namespace reports
