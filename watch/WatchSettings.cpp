#include "WatchSettings.h"

#include <toml++/toml.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "Failure.h"
#include "GivenPorts.h"
#include "RecordError.h"
#include "RecordUrl.h"
#include "RegularFiles.h"
#include "Settings.h"
#include "Text.h"
#include "UserFolders.h"
#include "WatchHistory.h"

namespace watch {

namespace {

// A few dozen settings take a few hundred bytes; a file far beyond is not a watcher's.
constexpr std::size_t kLargestSettingsFile = 64 * 1024;
constexpr std::size_t kLongestSite = 64;

std::optional<std::int64_t> signedWhole(const SettingValue& value) {
    if (const auto* whole = std::get_if<std::int64_t>(&value)) return *whole;
    const auto* text = std::get_if<std::string>(&value);
    if (!text) return std::nullopt;
    std::string_view digits = *text;
    const bool negative = digits.starts_with('-');
    if (negative) digits.remove_prefix(1);
    const auto magnitude = forms::wholeDecimal(digits);
    if (!magnitude) return std::nullopt;
    return negative ? -*magnitude : *magnitude;
}

std::string wholeIn(const SettingValue& value, std::int64_t min, std::int64_t max,
                    std::optional<int>& chosen) {
    const auto whole = signedWhole(value);
    if (!whole || *whole < min || *whole > max)
        return "must be a whole number from " + std::to_string(min) + " to " + std::to_string(max);
    chosen = static_cast<int>(*whole);
    return {};
}

// Seconds as a bare number, or a number and its unit: "90s", "10m", "1h", "7d".
std::string spanIn(const SettingValue& value, std::chrono::seconds min, std::chrono::seconds max,
                   std::optional<std::chrono::seconds>& chosen) {
    std::optional<std::chrono::seconds> span;
    if (const auto* whole = std::get_if<std::int64_t>(&value)) {
        span = std::chrono::seconds(*whole);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        if (const auto seconds = forms::wholeDecimal(*text))
            span = std::chrono::seconds(*seconds);
        else if (const auto ms = forms::spanOfTime(*text))
            span = std::chrono::duration_cast<std::chrono::seconds>(*ms);
    }
    if (!span || *span < min || *span > max)
        return "must be a span of time such as 90s, 10m, 1h or a number of seconds, from " +
               std::to_string(min.count()) + " s to " + std::to_string(max.count()) + " s";
    chosen = span;
    return {};
}

std::string shareIn(const SettingValue& value, std::optional<double>& chosen) {
    std::optional<double> share;
    if (const auto* real = std::get_if<double>(&value)) share = *real;
    if (const auto* whole = std::get_if<std::int64_t>(&value)) share = static_cast<double>(*whole);
    if (const auto* text = std::get_if<std::string>(&value)) share = forms::decimalFraction(*text);
    if (!share || !(*share >= 0 && *share <= 1)) return "must be a share from 0 to 1, such as 0.9";
    chosen = share;
    return {};
}

std::string choosePorts(SettingChoices& choices, const SettingValue& value) {
    std::vector<std::string> names;
    if (const auto* list = std::get_if<std::vector<std::string>>(&value))
        names = *list;
    else if (const auto* one = std::get_if<std::string>(&value))
        names = {*one};
    else
        return "must be a list of port names, such as [\"COM200-COM205\"]";
    ports::GivenPorts given = ports::givenPorts(names);
    if (!given.problem.empty()) return "names no port that can be: " + given.problem;
    choices.ports = std::move(given.ports);
    return {};
}

std::string chooseAliases(SettingChoices& choices, const SettingValue& value) {
    const auto* flag = std::get_if<bool>(&value);
    if (!flag) return "must be true or false";
    choices.aliases = *flag;
    return {};
}

std::string chooseBaud(SettingChoices& choices, const SettingValue& value) {
    const auto whole = signedWhole(value);
    if (!whole || *whole < 0 || *whole > proto::kUartBaudRates.back() ||
        !proto::uartBaudIndex(static_cast<int>(*whole)))
        return "must be a rate the port takes: " + proto::rateList();
    choices.baud = static_cast<int>(*whole);
    return {};
}

std::string chooseParity(SettingChoices& choices, const SettingValue& value) {
    const auto* text = std::get_if<std::string>(&value);
    const auto parity = text ? proto::parityFromName(*text) : std::nullopt;
    if (!parity) return "must be NO, ODD or EVEN";
    choices.parity = parity;
    return {};
}

std::string chooseMetrics(SettingChoices& choices, const SettingValue& value) {
    const auto* text = std::get_if<std::string>(&value);
    if (text && *text == "off") {
        choices.metrics = std::optional<ports::NetworkAddress>();
        return {};
    }
    const auto parsed =
        text ? ports::parseNetworkAddress("tcp://" + *text) : ports::ParsedAddress{};
    if (!parsed.address) return "must be HOST:PORT, such as 127.0.0.1:9470, or off";
    choices.metrics = parsed.address;
    return {};
}

bool siteCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

// A site names a mesh in metrics' labels and, later, in a broker's topics and the record: no
// space, slash or wildcard.
std::string chooseSite(SettingChoices& choices, const SettingValue& value) {
    const auto* text = std::get_if<std::string>(&value);
    if (!text || text->empty() || text->size() > kLongestSite ||
        !std::ranges::all_of(*text, siteCharacter))
        return "must be 1 to 64 letters, digits, '.', '_' or '-'";
    choices.site = *text;
    return {};
}

std::string chooseBroker(SettingChoices& choices, const SettingValue& value) {
    const auto* text = std::get_if<std::string>(&value);
    if (!text) return "must be mqtt://HOST[:PORT] or mqtts://HOST[:PORT], or off";
    if (*text == "off") {
        choices.mqtt = std::optional<BrokerAddress>();
        return {};
    }
    std::string problem;
    const auto address = parseBrokerAddress(*text, problem);
    if (!address) return problem;
    choices.mqtt = address;
    return {};
}

std::string chooseFile(const SettingValue& value, std::optional<std::string>& chosen) {
    const auto* text = std::get_if<std::string>(&value);
    if (!text || text->empty()) return "must name a file";
    chosen = *text;
    return {};
}

std::string chooseHistory(SettingChoices& choices, const SettingValue& value) {
    const auto* text = std::get_if<std::string>(&value);
    if (text && *text == "off") {
        choices.db = std::optional<std::string>();
        return {};
    }
    const std::string kinds = "must be sqlite:///PATH or postgresql://USER@HOST:PORT/DB, or off";
    if (!text) return kinds;
    try {
        record::parseRecordUrl(*text);
    } catch (const record::RecordError& error) {
        return kinds + ": " + error.what();
    }
    choices.db = *text;
    return {};
}

// One probe, "FROM,TO[,EVERY]", added to those chosen.
std::string chooseProbe(SettingChoices& choices, const SettingValue& value) {
    const auto* text = std::get_if<std::string>(&value);
    std::vector<std::string> parts;
    for (std::size_t start = 0; text && start <= text->size();) {
        const auto comma = std::min(text->find(',', start), text->size());
        parts.push_back(text->substr(start, comma - start));
        start = comma + 1;
    }
    const std::string form = "must be FROM,TO or FROM,TO,EVERY, such as COM200,COM203,10s";
    if (parts.size() < 2 || parts.size() > 3) return form;
    ports::GivenPorts given = ports::givenPorts({parts[0], parts[1]});
    if (!given.problem.empty()) return "names no port that can be: " + given.problem;
    if (given.ports.size() != 2) return form;
    if (given.ports[0] == given.ports[1]) return "sends from a port to itself";
    ProbeSetting probe{given.ports[0], given.ports[1]};
    if (parts.size() == 3) {
        std::optional<std::chrono::seconds> every;
        if (std::string problem =
                spanIn(parts[2], std::chrono::seconds(1), std::chrono::hours(24), every);
            !problem.empty())
            return "every " + problem;
        probe.every = *every;
    }
    if (!choices.probes) choices.probes.emplace();
    if (std::ranges::find(*choices.probes, probe) != choices.probes->end())
        return "names the same probe twice";
    choices.probes->push_back(std::move(probe));
    return {};
}

struct SettingEntry {
    std::string_view key;
    std::string (*choose)(SettingChoices&, const SettingValue&);
};

const SettingEntry kSettingEntries[] = {
    {"ports", choosePorts},
    {"aliases", chooseAliases},
    {"baud", chooseBaud},
    {"parity", chooseParity},
    {"timeout", [](SettingChoices& c,
                   const SettingValue& v) { return wholeIn(v, 1, 3'600'000, c.timeoutMs); }},
    {"interval",
     [](SettingChoices& c, const SettingValue& v) {
         return spanIn(v, std::chrono::seconds(1), std::chrono::hours(24), c.interval);
     }},
    {"lost_after",
     [](SettingChoices& c, const SettingValue& v) { return wholeIn(v, 1, 1000, c.lostAfter); }},
    {"weak_link_below",
     [](SettingChoices& c, const SettingValue& v) { return wholeIn(v, -255, 0, c.weakLinkBelow); }},
    {"delivery_below",
     [](SettingChoices& c, const SettingValue& v) { return shareIn(v, c.deliveryBelow); }},
    {"delivery_window",
     [](SettingChoices& c, const SettingValue& v) {
         return spanIn(v, std::chrono::seconds(1), std::chrono::hours(24 * 7), c.deliveryWindow);
     }},
    {"metrics", chooseMetrics},
    {"site", chooseSite},
    {"mqtt", chooseBroker},
    {"mqtt_ca_file",
     [](SettingChoices& c, const SettingValue& v) { return chooseFile(v, c.mqttCaFile); }},
    {"mqtt_password_file",
     [](SettingChoices& c, const SettingValue& v) { return chooseFile(v, c.mqttPasswordFile); }},
    {"mqtt_queue", [](SettingChoices& c,
                      const SettingValue& v) { return wholeIn(v, 0, 10'000'000, c.mqttQueue); }},
    {"db", chooseHistory},
    {"probe", chooseProbe},
    {"history_keep",
     [](SettingChoices& c, const SettingValue& v) {
         return spanIn(v, std::chrono::hours(1), std::chrono::days(3650), c.historyKeep);
     }},
};

std::optional<SettingValue> tomlValue(const toml::node& node) {
    if (const auto* flag = node.as_boolean()) return SettingValue(flag->get());
    if (const auto* whole = node.as_integer()) return SettingValue(whole->get());
    if (const auto* real = node.as_floating_point()) return SettingValue(real->get());
    if (const auto* text = node.as_string()) return SettingValue(text->get());
    const auto* array = node.as_array();
    if (!array) return std::nullopt;
    std::vector<std::string> texts;
    for (const toml::node& item : *array) {
        const auto* text = item.as_string();
        if (!text) return std::nullopt;
        texts.push_back(text->get());
    }
    return SettingValue(std::move(texts));
}

modlink::Failure fileError(const std::string& path, const toml::source_region& where,
                           const std::string& what) {
    return modlink::Failure(modlink::kExitUsage,
                            path + ":" + std::to_string(where.begin.line) + ": " + what);
}

std::string hostSite() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "desk";
    std::string site;
    for (const char c : std::string_view(name)) site += siteCharacter(c) ? c : '-';
    site.resize(std::min(site.size(), kLongestSite));
    return site.empty() ? "desk" : site;
}

// The first line of the file, or of the environment's variable; a file that cannot be read is
// refused with its name, never with what it holds.
std::string brokerPassword(const std::optional<std::string>& file) {
    constexpr std::size_t kLongestPasswordFile = 4096;
    std::string password;
    if (file) {
        const files::FileText read = files::readRegularFile(*file, kLongestPasswordFile);
        if (!read.text)
            throw modlink::Failure(modlink::kExitUsage,
                                   *file + ": not a password file: " + read.problem);
        password = *read.text;
    } else if (const char* variable = std::getenv(kBrokerPasswordVariable.data())) {
        password = variable;
    }
    return password.substr(0, password.find_first_of("\r\n"));
}

// [[probe]] tables: from, to and every, each checked as the option's word is.
void readProbes(const std::string& path, const toml::array& tables, SettingChoices& choices) {
    for (const toml::node& item : tables) {
        const toml::table& probe = *item.as_table();
        for (const auto& [key, value] : probe)
            if (key.str() != "from" && key.str() != "to" && key.str() != "every")
                throw fileError(
                    path, value.source(),
                    "a probe has no '" + std::string(key.str()) + "': it takes from, to and every");
        const auto from = probe["from"].value<std::string>();
        const auto to = probe["to"].value<std::string>();
        if (!from || !to)
            throw fileError(path, probe.source(), "a probe needs from and to, each a port");
        std::string word = *from + "," + *to;
        if (const auto every = probe["every"].value<std::string>())
            word += "," + *every;
        else if (const auto seconds = probe["every"].value<std::int64_t>())
            word += "," + std::to_string(*seconds);
        if (const std::string problem = chooseProbe(choices, word); !problem.empty())
            throw fileError(path, probe.source(), "'probe' " + problem);
    }
}

template <typename Value>
Value chosen(const std::optional<Value>& option, const std::optional<Value>& file, Value fallback) {
    return option ? *option : file ? *file : std::move(fallback);
}

}  // namespace

std::string chooseSetting(SettingChoices& choices, std::string_view key,
                          const SettingValue& value) {
    for (const SettingEntry& entry : kSettingEntries)
        if (entry.key == key) return entry.choose(choices, value);
    return "unknown";
}

std::string defaultSettingsFile() {
    return files::configHome() + "/meshcfg/watch.toml";
}

SettingChoices readSettingsFile(const std::string& path, bool named) {
    const files::FileText file = files::readRegularFile(path, kLargestSettingsFile);
    if (!file.text && file.absent && !named) return {};
    if (!file.text)
        throw modlink::Failure(modlink::kExitUsage,
                               path + ": not a settings file: " + file.problem);
    toml::table table;
    try {
        table = toml::parse(*file.text, path);
    } catch (const toml::parse_error& error) {
        throw fileError(path, error.source(), std::string(error.description()));
    }
    SettingChoices choices;
    for (const auto& [key, node] : table) {
        const std::string name(key.str());
        if (name == "probe" && node.is_array_of_tables()) {
            readProbes(path, *node.as_array(), choices);
            continue;
        }
        const auto value = tomlValue(node);
        std::string problem =
            value ? chooseSetting(choices, name, *value) : "is of no setting's type";
        if (problem == "unknown")
            problem = "no setting is named '" + name + "'";
        else if (!problem.empty())
            problem = "'" + name + "' " + problem;
        if (!problem.empty()) throw fileError(path, node.source(), problem);
    }
    return choices;
}

WatchSettings settingsFrom(const SettingChoices& file, const SettingChoices& options) {
    WatchSettings settings;
    settings.ports = chosen(options.ports, file.ports, {});
    settings.aliases = chosen(options.aliases, file.aliases, settings.ports.empty());
    if (settings.ports.empty() && !settings.aliases)
        throw modlink::Failure(
            modlink::kExitUsage,
            "no port to watch: name them with -p (or ports in the file), or leave "
            "aliases on");
    settings.link.baud = chosen(options.baud, file.baud, settings.link.baud);
    settings.link.parity = chosen(options.parity, file.parity, settings.link.parity);
    settings.link.timeoutMs = chosen(options.timeoutMs, file.timeoutMs, settings.link.timeoutMs);
    // Receive notices and failures are the watcher's to tell, never the session's own lines.
    settings.link.json = true;
    settings.interval = chosen(options.interval, file.interval, settings.interval);
    settings.rules.lostAfter = chosen(options.lostAfter, file.lostAfter, settings.rules.lostAfter);
    settings.rules.weakLinkBelow =
        chosen(options.weakLinkBelow, file.weakLinkBelow, settings.rules.weakLinkBelow);
    settings.rules.delivery.below =
        chosen(options.deliveryBelow, file.deliveryBelow, settings.rules.delivery.below);
    settings.rules.delivery.window =
        chosen(options.deliveryWindow, file.deliveryWindow, settings.rules.delivery.window);
    settings.metrics =
        chosen(options.metrics, file.metrics,
               ports::parseNetworkAddress("tcp://" + std::string(kDefaultMetrics)).address);
    settings.site = chosen(options.site, file.site, hostSite());
    if (const auto address = chosen(options.mqtt, file.mqtt, std::optional<BrokerAddress>())) {
        BrokerSettings broker{.address = *address};
        broker.caFile = chosen(options.mqttCaFile, file.mqttCaFile, std::string());
        if (!broker.caFile.empty() && ::access(broker.caFile.c_str(), R_OK) != 0)
            throw modlink::Failure(modlink::kExitUsage,
                                   broker.caFile + ": the broker's CA file cannot be read");
        const auto passwordFile =
            options.mqttPasswordFile ? options.mqttPasswordFile : file.mqttPasswordFile;
        broker.password = brokerPassword(passwordFile);
        broker.queueBound = static_cast<std::size_t>(
            chosen(options.mqttQueue, file.mqttQueue, static_cast<int>(broker.queueBound)));
        settings.broker = std::move(broker);
    }
    settings.history =
        chosen(options.db, file.db,
               std::optional<std::string>(record::defaultHistoryUrl(files::stateHome())));
    settings.historyKeep = chosen(options.historyKeep, file.historyKeep, settings.historyKeep);
    settings.probes = chosen(options.probes, file.probes, {});
    for (const ProbeSetting& probe : settings.probes)
        for (const std::string& port : {probe.from, probe.to})
            if (std::ranges::find(settings.ports, port) == settings.ports.end())
                settings.ports.push_back(port);
    return settings;
}

}  // namespace watch
