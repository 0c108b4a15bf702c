#pragma once
// The ids of a range for one process alone, when no id file is named: the units it configures
// at once never share one.

#include <map>
#include <mutex>
#include <string>

#include "NodeIdRange.h"
#include "NodeIdSource.h"

namespace station {

class NodeIdPool final : public NodeIdSource {
  public:
    explicit NodeIdPool(NodeIdRange range) : m_range(range) {}

    std::optional<std::uint16_t> reserve(std::string_view unit) override;
    bool keep(std::uint16_t id, const UnitName& unit) override;
    void giveBack(std::uint16_t id, std::string_view unit) override;

  private:
    const NodeIdRange m_range;
    std::mutex m_mutex;
    std::map<std::uint16_t, std::string> m_holders;
};

}  // namespace station
