#include "ProgramModule.h"

#include <dlfcn.h>

#include <filesystem>

namespace {

// Where a program finds its modules from its own folder, whatever the prefix; a program of the
// build tree outside its bin folder (a test) takes the build tree's.
std::string installedModule(const char* module) {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (program.starts_with(MESHCFG_BUILD_TREE "/") &&
        !program.starts_with(MESHCFG_BUILD_TREE "/bin/"))
        return std::string(MESHCFG_BUILD_MODULES "/") + module;
    return (std::filesystem::path(program).parent_path() / MESHCFG_MODULES_FROM_PROGRAMS / module)
        .string();
}

}  // namespace

ModuleEntry loadModuleEntry(const char* module, const char* entry, const std::string& neededBy) {
    void* loaded = dlopen(module, RTLD_NOW | RTLD_LOCAL);
    if (!loaded) loaded = dlopen(installedModule(module).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!loaded)
        return {nullptr, neededBy + " need " + module + ", which cannot be loaded (" + dlerror() +
                             "); reinstall the package"};
    void* address = dlsym(loaded, entry);
    if (!address)
        return {nullptr,
                std::string(module) + " is not this version's module; reinstall the package"};
    return {address, {}};
}
