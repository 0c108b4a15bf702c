#pragma once
// The user's folders as the XDG base directory rules give them: a variable set to an absolute
// path names its folder; one unset, empty or relative is invalid and ignored, and the default
// holds.

#include <string>

namespace files {

// $XDG_CONFIG_HOME, else ~/.config.
std::string configHome();
// $XDG_STATE_HOME, else ~/.local/state; the system's temporary folder where HOME is unset too.
std::string stateHome();
// $XDG_RUNTIME_DIR; empty where it does not name a folder.
std::string runtimeDir();

}  // namespace files
