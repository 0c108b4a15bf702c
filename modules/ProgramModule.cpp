#include "ProgramModule.h"

#include <dlfcn.h>

#include <filesystem>

namespace modules {

namespace {

bool outsideTheBuildTreesPrograms(const std::string& file) {
    return file.starts_with(MESHCFG_BUILD_TREE "/") &&
           !file.starts_with(MESHCFG_BUILD_TREE "/bin/");
}

// The file this code was loaded from: the program itself, or the Python module a python3 loaded.
std::string loadingObject() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<const void*>(&loadingObject), &info) || !info.dli_fname) return {};
    return info.dli_fname;
}

// Where a program finds its modules from its own folder, whatever the prefix. A program of the
// build tree outside its bin folder (a test), or the build tree's Python module, takes the build
// tree's. Never a search by name: nothing is taken from the current folder or a library path.
std::string installedModule(const char* module) {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (outsideTheBuildTreesPrograms(program) || outsideTheBuildTreesPrograms(loadingObject()))
        return std::string(MESHCFG_BUILD_MODULES "/") + module;
    return (std::filesystem::path(program).parent_path() / MESHCFG_MODULES_FROM_PROGRAMS / module)
        .string();
}

}  // namespace

ModuleEntry loadModuleEntry(const char* module, const char* entry, const std::string& neededBy) {
    void* loaded = dlopen(installedModule(module).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!loaded)
        return {nullptr, neededBy + " need " + module + ", which cannot be loaded (" + dlerror() +
                             "); reinstall the package"};
    void* address = dlsym(loaded, entry);
    if (!address)
        return {nullptr,
                std::string(module) + " is not this version's module; reinstall the package"};
    return {address, {}};
}

}  // namespace modules
