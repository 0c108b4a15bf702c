#pragma once
// A part of the program kept in a library of its own and loaded the first time a command needs
// it, so that the libraries it pulls in cost nothing to every other start.

#include <string>

// A module's entry, or why there is none, in one line.
struct ModuleEntry {
    void* address = nullptr;
    // "network ports need meshcfg-network.so, which cannot be loaded (...); reinstall the package"
    std::string error;
};

// Loads the module and finds its entry. Searched by name first (the build tree's programs carry
// the module folder in their search path), then where the package installs it. Never unloaded:
// the objects it makes live in its code. neededBy says what needs it, as the failure tells.
ModuleEntry loadModuleEntry(const char* module, const char* entry, const std::string& neededBy);
