#include "Profile.h"

#include <toml++/toml.h>

#include <sstream>

#include "Failure.h"
#include "FileDigest.h"
#include "Files.h"
#include "RegularFiles.h"
#include "Text.h"
#include "TomlSettings.h"

namespace station {

namespace {

// Seven settings take a few hundred bytes; a file far beyond is not a profile.
constexpr std::size_t kLargestProfile = 64 * 1024;

modlink::Failure profileError(const std::string& path, const toml::source_region& where,
                              const std::string& what) {
    return modlink::Failure(modlink::kExitUsage,
                            path + ":" + std::to_string(where.begin.line) + ": " + what);
}

}  // namespace

ProfileFile readProfile(const std::string& path) {
    const files::FileText file = files::readRegularFile(path, kLargestProfile);
    if (!file.text)
        throw modlink::Failure(modlink::kExitUsage, path + ": not a profile file: " + file.problem);
    ProfileFile profile{{}, sha256Of(*file.text)};
    toml::table table;
    try {
        table = toml::parse(*file.text, path);
    } catch (const toml::parse_error& error) {
        throw profileError(path, error.source(), std::string(error.description()));
    }
    for (const auto& [key, node] : table) {
        const std::string problem = meshplan::takeSetting(profile.changes, key.str(), node);
        if (!problem.empty()) throw profileError(path, node.source(), problem);
    }
    return profile;
}

void saveProfile(const std::string& path, const proto::Setup& setup) {
    toml::table table;
    const modlink::Json settings = modlink::settingsJson(setup);
    for (const auto& [key, value] : settings.items()) {
        if (value.is_string())
            table.insert(key, value.get<std::string>());
        else if (value.is_number_float())
            table.insert(key, value.get<double>());
        else if (value.is_number())
            table.insert(key, value.get<std::int64_t>());
    }
    std::ostringstream text;
    text << table << "\n";
    replaceFile(path, text.str());
}

void requireAllSettings(const std::string& profilePath, const proto::SettingChanges& settings) {
    const std::string missing = forms::joined(settings.missingKeys(), ", ");
    if (!missing.empty())
        throw modlink::Failure(
            modlink::kExitUsage,
            profilePath + ": no " + missing + ": a profile with the options gives all seven");
}

}  // namespace station
