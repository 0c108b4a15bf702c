#pragma once
// A part of the program kept in a library of its own and loaded the first time a command needs
// it, so that the libraries it pulls in cost nothing to every other start.

#include <string>

namespace modules {

// A module's entry, or why there is none, in one line.
struct ModuleEntry {
    void* address = nullptr;
    // "network ports need meshcfg-network.so, which cannot be loaded (...); reinstall the package"
    std::string error;
};

// Loads the module from where the package installs it, beside the program (in the build tree,
// the build tree's module folder) and finds its entry. Never unloaded:
// the objects it makes live in its code. neededBy says what needs it, as the failure tells.
ModuleEntry loadModuleEntry(const char* module, const char* entry, const std::string& neededBy);

}  // namespace modules
