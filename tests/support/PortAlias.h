#pragma once
// Publishes aliasDirectory()/COM<n> as a link to a path for the life of the object, the way
// the simulator publishes its pty. Set XDG_RUNTIME_DIR (ScopedRuntimeDir) first.

#include <string>

class PortAlias {
  public:
    PortAlias(int port, const std::string& target);  // throws std::system_error
    ~PortAlias();
    PortAlias(const PortAlias&) = delete;
    PortAlias& operator=(const PortAlias&) = delete;

    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
};
