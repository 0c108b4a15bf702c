#include "FaultMarks.h"

#include <algorithm>

namespace mesh {

FaultMarks::FaultMarks(const std::vector<Fault>& faults) {
    for (const Fault& fault : faults) {
        for (const std::uint16_t node : fault.nodes) m_texts[node].push_back(fault.text);
        for (const FaultLink& link : fault.links) m_pairs.insert(std::minmax(link.from, link.to));
    }
}

const std::vector<std::string>& FaultMarks::textsOf(std::uint16_t node) const {
    static const std::vector<std::string> kNone;
    const auto found = m_texts.find(node);
    return found != m_texts.end() ? found->second : kNone;
}

bool FaultMarks::marks(const MeshLine& line) const {
    return line.kind != LineKind::Reach && m_pairs.contains(std::minmax(line.from, line.to));
}

}  // namespace mesh
