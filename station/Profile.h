#pragma once
// Profiles: the seven settings as a TOML file (frequency = 434.0, life_cycle = "1h", ...), so
// one known-good module can be cloned onto others.

#include <string>

#include "Settings.h"

namespace station {

// A profile file as read: the settings it gives, some or all seven. A unit's row names the
// profile it was given as a record::Profile.
struct ProfileFile {
    proto::SettingChanges changes;
    std::string sha256;  // of the bytes read, so a report names exactly what was written
};

// Read once, and only from a regular file of a profile's size. A Failure with kExitUsage naming
// the file, and the line of the first unknown key or bad value.
ProfileFile readProfile(const std::string& path);

// A Failure with kExitUsage naming the profile when the settings lack any of the seven.
void requireAllSettings(const std::string& profilePath, const proto::SettingChanges& settings);

// A Failure with kExitUsage when the file cannot be written.
void saveProfile(const std::string& path, const proto::Setup& setup);

}  // namespace station
