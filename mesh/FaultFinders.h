#pragma once
// The finders behind findFaults, one per family, each appending in survey order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "MeshFaults.h"

namespace mesh {

void findSettingFaults(const Survey& survey, const SharedSettings& expected,
                       std::vector<Fault>& faults);
void findReachFaults(const Survey& survey, std::vector<Fault>& faults);

// Adds the surveyed port and, where it holds one, its node id, each once.
void involve(Fault& fault, const Survey& survey, std::size_t index);
// Adds the node and the ports of the modules answering as it.
void involveNode(Fault& fault, const Survey& survey, std::uint16_t node);

// "4, 5 and 7".
std::string listed(const std::vector<std::string>& items);

}  // namespace mesh
