#pragma once
// What the watcher is set to do, from its options and its TOML file (the options win), each
// setting with a default that serves one desk: every COM alias plugged, surveyed each minute,
// metrics on loopback. The file's keys are the options' names with '_' for '-':
//
//   ports = ["COM200-COM205", "rfc2217://bench-3:3333"]
//   interval = "60s"
//   lost_after = 2
//   [[probe]]
//   from = "COM200"
//   to = "COM203"
//   every = "10s"
//
// A value is checked by the same rule wherever it comes from; a wrong one is refused with its
// file and line, or its option, before any port opens.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "BrokerAddress.h"
#include "MeshWatch.h"
#include "NetworkAddress.h"
#include "ProbeRun.h"
#include "Session.h"

namespace watch {

// Where events, node states and surveys are published. The password comes from a file or the
// environment (MESHCFG_MQTT_PASSWORD), never from the command line, and is never printed.
struct BrokerSettings {
    BrokerAddress address{};
    std::string caFile{};    // mqtts: the authority that signs the broker's certificate; empty:
                             // the system's authorities
    std::string password{};  // empty: none is sent
    std::size_t queueBound = 10'000;  // events kept while the broker is away
    bool operator==(const BrokerSettings&) const = default;
};

inline constexpr std::string_view kBrokerPasswordVariable = "MESHCFG_MQTT_PASSWORD";

struct WatchSettings {
    std::vector<std::string> ports;  // as named, every COMn-COMm range spelt out
    bool aliases = false;            // every COM alias, as it appears; also when no port is named
    // The ports' rate and parity, and how long each reply is waited for.
    modlink::CommonOptions link{};
    std::chrono::seconds interval{60};
    Rules rules{};
    std::optional<ports::NetworkAddress> metrics{};  // where /metrics is served; nothing: nowhere
    std::string site{};                              // names this watcher's mesh: the host's name
    std::optional<BrokerSettings> broker{};          // nothing: no broker
    std::optional<std::string> history{};            // the record's address; nothing: no history
    std::chrono::seconds historyKeep{std::chrono::days(30)};
    std::vector<ProbeSetting> probes{};  // each port of them is watched too
};

inline constexpr std::string_view kDefaultMetrics = "127.0.0.1:9470";

// Settings as one source gives them; what it leaves out is nothing.
struct SettingChoices {
    std::optional<std::vector<std::string>> ports;
    std::optional<bool> aliases;
    std::optional<int> baud;
    std::optional<proto::Parity> parity;
    std::optional<int> timeoutMs;
    std::optional<std::chrono::seconds> interval;
    std::optional<int> lostAfter;
    std::optional<int> weakLinkBelow;
    std::optional<double> deliveryBelow;
    std::optional<std::chrono::seconds> deliveryWindow;
    std::optional<std::optional<ports::NetworkAddress>> metrics;
    std::optional<std::string> site;
    std::optional<std::optional<BrokerAddress>> mqtt;
    std::optional<std::string> mqttCaFile;
    std::optional<std::string> mqttPasswordFile;
    std::optional<int> mqttQueue;
    std::optional<std::optional<std::string>> db;
    std::optional<std::chrono::seconds> historyKeep;
    std::optional<std::vector<ProbeSetting>> probes;
};

// A value as TOML types it; an option's word is its text, read as the setting's type.
using SettingValue =
    std::variant<bool, std::int64_t, double, std::string, std::vector<std::string>>;

// Sets the setting of this key (a file's key, "lost_after"); why the value cannot be it, or
// "unknown" when no setting has that key; empty once set. A probe as an option's word is
// "FROM,TO[,EVERY]".
std::string chooseSetting(SettingChoices& choices, std::string_view key, const SettingValue& value);

// $XDG_CONFIG_HOME/meshcfg/watch.toml.
std::string defaultSettingsFile();

// The file's settings. A Failure with kExitUsage as "FILE:LINE: what" for a value or key that is
// wrong, or naming the file when it cannot be read; a default file that is absent gives nothing,
// a named one is refused.
SettingChoices readSettingsFile(const std::string& path, bool named);

// The options over the file over the defaults; a Failure with kExitUsage when they leave no
// port to watch, or name a broker's file that cannot be read.
WatchSettings settingsFrom(const SettingChoices& file, const SettingChoices& options);

}  // namespace watch
