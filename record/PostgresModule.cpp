#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <string>

#include "PostgresConnection.h"
#include "RecordError.h"

namespace record {
namespace {

// Where a program finds its modules from its own folder, whatever the prefix; a program of the
// build tree outside its bin folder (a test) takes the build tree's.
std::string installedModule() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (program.starts_with(MESHCFG_BUILD_TREE "/") &&
        !program.starts_with(MESHCFG_BUILD_TREE "/bin/"))
        return std::string(MESHCFG_BUILD_MODULES "/") + kPostgresModule;
    return (std::filesystem::path(program).parent_path() / MESHCFG_MODULES_FROM_PROGRAMS /
            kPostgresModule)
        .string();
}

// Searched by name first (the build tree's programs carry the module folder in their search
// path), then where the package installs it. Never unloaded: its connections' code lives there.
ConnectPostgres loadModule() {
    void* module = dlopen(kPostgresModule, RTLD_NOW | RTLD_LOCAL);
    if (!module) module = dlopen(installedModule().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        throw RecordError(std::string("PostgreSQL records need ") + kPostgresModule +
                          ", which cannot be loaded (" + dlerror() + "); reinstall the package");
    auto* entry = reinterpret_cast<ConnectPostgres>(dlsym(module, kPostgresEntry));
    if (!entry) throw RecordError(std::string(kPostgresModule) + " is not this version's module");
    return entry;
}

}  // namespace

std::unique_ptr<Connection> connectPostgres(const RecordUrl& url) {
    static std::once_flag loaded;
    static ConnectPostgres entry = nullptr;
    std::call_once(loaded, [] { entry = loadModule(); });
    return std::unique_ptr<Connection>(entry(url));
}

}  // namespace record
