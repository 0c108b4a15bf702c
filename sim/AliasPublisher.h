#pragma once
// Publishes the simulator's terminal as a COM alias: a symbolic link COM<n> in the alias
// directory, where the tool resolves COM numbers before the fixed device families.

#include <stdexcept>
#include <string>
#include <string_view>

#include "PortNames.h"

namespace sim {

// What an alias names while no terminal is behind it, so that it dangles: never a terminal that
// was closed, whose number another program's new terminal may take.
inline constexpr std::string_view kUnplugged = "unplugged";
inline constexpr std::string_view kSwitchedOff = "switched-off";

// No COM<n> in the range asked for is free.
class AliasTaken : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class AliasPublisher {
  public:
    // Takes the first free COM<n> from firstPort up to lastPort. Free means no entry, or a link
    // left dangling by a simulator that died (to a terminal, kUnplugged or kSwitchedOff); a
    // link of anyone else's is never replaced. Throws AliasTaken, or std::runtime_error when
    // the directory fails.
    AliasPublisher(std::string directory, int firstPort, std::string target,
                   int lastPort = ports::kLastPort);
    // Removes the alias, unless someone has removed or replaced it meanwhile.
    ~AliasPublisher();
    AliasPublisher(const AliasPublisher&) = delete;
    AliasPublisher& operator=(const AliasPublisher&) = delete;

    // Points the alias at another terminal, replacing the link in one step. False when someone
    // else has removed or replaced the alias meanwhile: from then on it is theirs, and left
    // alone. Throws std::runtime_error.
    bool retarget(std::string target);
    // The alias is still the one this publisher made.
    bool ours() const { return !m_lost; }

    int port() const { return m_port; }
    const std::string& path() const { return m_path; }
    const std::string& target() const { return m_target; }

  private:
    std::string m_directory;
    std::string m_target;
    std::string m_path;
    int m_port = 0;
    bool m_lost = false;
};

}  // namespace sim
