#pragma once
// What a drawing of the mesh marks as faulty from the start, so that the Graphviz text and the
// mesh window mark the same: every node a fault names, with the texts of its faults, and the
// line between each pair a fault names, unless that line is a reach line (the way it runs was
// not seen, so no route of the fault's runs along it).

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "MeshFaults.h"
#include "MeshLines.h"

namespace mesh {

class FaultMarks {
  public:
    explicit FaultMarks(const std::vector<Fault>& faults);

    // The texts of the faults that name the node, most serious first; empty for a sound one.
    const std::vector<std::string>& textsOf(std::uint16_t node) const;
    bool marks(std::uint16_t node) const { return !textsOf(node).empty(); }
    bool marks(const MeshLine& line) const;

  private:
    std::map<std::uint16_t, std::vector<std::string>> m_texts;
    std::set<std::pair<std::uint16_t, std::uint16_t>> m_pairs;  // lower id first
};

}  // namespace mesh
