#include "ScopedRuntimeDir.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

ScopedRuntimeDir::ScopedRuntimeDir() {
    if (const char* previous = std::getenv("XDG_RUNTIME_DIR")) m_previous = previous;
    std::string pattern = (std::filesystem::temp_directory_path() / "meshcfg-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    }
    m_path = pattern;
    ::setenv("XDG_RUNTIME_DIR", m_path.c_str(), 1);
}

ScopedRuntimeDir::~ScopedRuntimeDir() {
    if (m_previous) {
        ::setenv("XDG_RUNTIME_DIR", m_previous->c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}
