#pragma once
// Links whose value is below the threshold, as the windows show a link value (minus the byte the
// module gives: -97 is weaker than -90). A link joins two nodes whichever way a path crossed it,
// and counts with the weakest value the survey gave it.

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "Conditions.h"
#include "Event.h"
#include "Mesh.h"

namespace watch {

// The value as shown: -97 for the byte 97.
inline int shownLinkValue(std::uint8_t value) {
    return -static_cast<int>(value);
}

using LinkEnds = std::pair<std::uint16_t, std::uint16_t>;  // the lower node id first

// The value of every link of the survey that has one, as shown.
std::map<LinkEnds, int> linkValuesOf(const mesh::MeshGraph& graph);

class WeakLinks {
  public:
    void surveyed(const mesh::Mesh& mesh, int below, int lostAfter, WallTime now,
                  std::vector<Event>& events);

  private:
    Conditions<LinkEnds, int> m_weak;
    std::map<LinkEnds, int> m_lastValues;  // of the survey before, weak or not
};

}  // namespace watch
