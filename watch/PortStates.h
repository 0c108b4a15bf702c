#pragma once
// The watched ports: open, or lost or never opened and why. A port that cannot be opened, or is
// lost, is one event when it happens and one when it is open again, however often it is tried
// in between.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Event.h"
#include "Mesh.h"

namespace watch {

struct PortState {
    bool open = false;
    bool tried = false;                   // it has been opened, or failed to open, at least once
    WallTime since{};                     // of the state it is in
    std::string reason{};                 // why it is not open
    std::optional<std::uint16_t> node{};  // the node its module answered as last
};

class PortStates {
  public:
    // A port to watch from now on, not yet tried.
    void watching(const std::string& port, WallTime now);
    void forget(const std::string& port) { m_ports.erase(port); }

    void opened(const std::string& port, WallTime now, std::vector<Event>& events);
    void failed(const std::string& port, const std::string& reason, WallTime now,
                std::vector<Event>& events);
    void surveyed(const mesh::Mesh& mesh);

    const std::map<std::string, PortState>& ports() const { return m_ports; }

  private:
    std::map<std::string, PortState> m_ports;
};

}  // namespace watch
