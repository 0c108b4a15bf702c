#include "UserFolders.h"

#include <cstdlib>
#include <filesystem>

namespace files {

namespace {

const char* absoluteFolder(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] == '/' ? value : nullptr;
}

}  // namespace

std::string configHome() {
    if (const char* configured = absoluteFolder("XDG_CONFIG_HOME")) return configured;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

std::string stateHome() {
    if (const char* state = absoluteFolder("XDG_STATE_HOME")) return state;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return std::string(home) + "/.local/state";
    return std::filesystem::temp_directory_path().string();
}

std::string runtimeDir() {
    const char* runtime = absoluteFolder("XDG_RUNTIME_DIR");
    return runtime != nullptr ? runtime : "";
}

}  // namespace files
