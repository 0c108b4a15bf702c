#pragma once
// A mesh file that describes the modules of a survey as they are: the settings most of them hold
// as [defaults], each module with how it is reached and what it holds apart from them, the nodes
// their route lists hear as [expect] nodes and every link a route list or path shows between
// two nodes the file names as [[expect.link]], with its value as a comment where a path read
// gave one. Read back, the file plans no change on the same modules.

#include <stdexcept>
#include <string>
#include <vector>

#include "MeshFile.h"
#include "Survey.h"

namespace meshplan {

// Why the modules cannot be described by a file that reads: none answered, two hold one node
// id, one holds no node id or a code outside its setting's list.
class ExportRefusal : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// reaches: how the file reaches each port of the survey, in its order. Ports that failed or
// whose module gave no setup are left out: the face says which.
std::string exportMesh(const mesh::Survey& survey, const std::vector<ModuleReach>& reaches);

}  // namespace meshplan
