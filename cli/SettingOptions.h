#pragma once
// The options of write and apply that change one setting each: --frequency, --power,
// --life-cycle, --network-id, --node-id, --uart-baud and --uart-parity; and the settings as
// read and write print them.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "Session.h"
#include "Settings.h"

namespace CLI {
class App;
}

namespace cli {

class SettingOptions {
  public:
    void addTo(CLI::App& command);
    // The settings given; a Failure with kExitUsage for a value its setting refuses.
    proto::SettingChanges changes() const;
    bool given(std::string_view key) const;

  private:
    std::map<std::string_view, std::optional<std::string>> m_values;  // by setting key
};

// The seven settings as "key=value" lines, or one JSON object with --json.
void printSettings(const modlink::CommonOptions& common, const proto::Setup& setup);

}  // namespace cli
