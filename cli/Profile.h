#pragma once
// Profiles: the seven settings as a TOML file (frequency = 434.0, life_cycle = "1h", ...), so
// one known-good module can be cloned onto others.

#include <string>

#include "Settings.h"

// A Failure with kExitUsage naming the file and line of the first unknown key or bad value.
SettingChanges readProfile(const std::string& path);

// A Failure with kExitUsage when the file cannot be written.
void saveProfile(const std::string& path, const proto::Setup& setup);
