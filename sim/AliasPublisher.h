#pragma once
// Publishes the simulator's terminal as a COM alias: a symbolic link COM<n> in the alias
// directory, where the tool resolves COM numbers before the fixed device families.

#include <string>
#include <string_view>

#include "PortNames.h"

namespace sim {

// What an alias names while no terminal is behind it, so that it dangles: never a terminal that
// was closed, whose number another program's new terminal may take.
inline constexpr std::string_view kUnplugged = "unplugged";
inline constexpr std::string_view kSwitchedOff = "switched-off";

class AliasPublisher {
  public:
    // Takes the first free COM<n> from firstPort up to lastPort. Free means no entry, or a link
    // left dangling by a simulator that died. Throws std::runtime_error.
    AliasPublisher(std::string directory, int firstPort, std::string target,
                   int lastPort = kLastPort);
    // Removes the alias, unless someone has replaced it meanwhile.
    ~AliasPublisher();
    AliasPublisher(const AliasPublisher&) = delete;
    AliasPublisher& operator=(const AliasPublisher&) = delete;

    // Points the alias at another terminal, replacing the link in one step. Throws
    // std::runtime_error, also when someone else has replaced the alias meanwhile.
    void retarget(std::string target);

    int port() const { return m_port; }
    const std::string& path() const { return m_path; }
    const std::string& target() const { return m_target; }

  private:
    std::string m_directory;
    std::string m_target;
    std::string m_path;
    int m_port = 0;
};

}  // namespace sim
