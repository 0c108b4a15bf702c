#pragma once
// Points XDG_RUNTIME_DIR at a fresh temporary directory for the life of the object, so that a
// test's port aliases neither see nor disturb the user's own; restores the old value after.

#include <optional>
#include <string>

class ScopedRuntimeDir {
  public:
    ScopedRuntimeDir();  // throws std::system_error
    ~ScopedRuntimeDir();
    ScopedRuntimeDir(const ScopedRuntimeDir&) = delete;
    ScopedRuntimeDir& operator=(const ScopedRuntimeDir&) = delete;

    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
    std::optional<std::string> m_previous;
};
