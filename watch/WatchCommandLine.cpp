#include "WatchCommandLine.h"

#include <CLI/CLI.hpp>
#include <map>
#include <sstream>

#include "Watcher.h"

namespace watch {

namespace {

struct OptionEntry {
    std::string_view key;
    const char* names;
    const char* type;
    const char* help;
};

// Each setting's option; the file's key is the option's long name with '_' for '-'.
constexpr OptionEntry kWordOptions[] = {
    {"baud", "--baud", "RATE", "the ports' baud rate (9600)"},
    {"parity", "--parity", "NAME", "the ports' parity: NO, ODD or EVEN (NO)"},
    {"timeout", "--timeout", "MS", "milliseconds to wait for each reply of a survey (2000)"},
    {"interval", "--interval", "SPAN",
     "how often the mesh is surveyed: 60s, 10m, or seconds (60s)"},
    {"lost_after", "--lost-after", "N",
     "surveys in a row without a node (a link, a fault) before it is taken as gone (2)"},
    {"weak_link_below", "--weak-link-below", "VALUE",
     "a link value weaker than this, as the windows show it, is weak (-90)"},
    {"delivery_below", "--delivery-below", "SHARE",
     "a pair delivering a smaller share than this over the window is low (0.9)"},
    {"delivery_window", "--delivery-window", "SPAN", "the window delivery is judged over (10m)"},
    {"metrics", "--metrics", "HOST:PORT",
     "where /metrics, /healthz and /mesh.json are served, HOST:PORT, or off (127.0.0.1:9470)"},
    {"site", "--site", "NAME", "the name of this watcher's mesh (the host's name)"},
    {"mqtt", "--mqtt", "URL",
     "publish to this MQTT broker: mqtt://[USER@]HOST[:PORT], mqtts:// for TLS, or off (off); "
     "the password from --mqtt-password-file or MESHCFG_MQTT_PASSWORD"},
    {"mqtt_ca_file", "--mqtt-ca-file", "FILE",
     "mqtts: the CA certificate that signs the broker's (the system's CAs)"},
    {"mqtt_password_file", "--mqtt-password-file", "FILE",
     "the broker's password, the file's first line"},
    {"db", "--db", "URL",
     "keep every event and each survey's figures in this record: sqlite:///PATH or "
     "postgresql://USER@HOST:PORT/DB, or off ($XDG_STATE_HOME/meshcfg/watch.db)"},
    {"history_keep", "--history-keep", "SPAN", "how long the history keeps this site's rows (30d)"},
    {"mqtt_queue", "--mqtt-queue", "N",
     "events kept while the broker is away; past it the oldest are dropped (10000)"},
};

std::string usageLine(const CLI::Error& error) {
    return std::string(kWatchProgram) + ": " + error.what() + " (see " +
           std::string(kWatchProgram) + " --help)\n";
}

}  // namespace

WatchCommandLine parseWatchCommandLine(int argc, const char* const* argv) {
    WatchCommandLine line;
    CLI::App app{
        "Watches a deployed mesh of qz-470mr modules: surveys it on an interval, tells "
        "each node down and back, route, link, delivery, port and fault as an event, and "
        "serves Prometheus metrics.",
        std::string(kWatchProgram)};
    app.failure_message([](const CLI::App*, const CLI::Error& error) { return usageLine(error); });
    std::vector<std::string> ports;
    bool aliases = false;
    std::string config;
    app.add_option("-p,--port", ports,
                   "a port to watch, COMn, a device path or an address; -p again for each, "
                   "COMn-COMm for a range (without any: every COM alias)")
        ->type_name("PORT")
        ->allow_extra_args(false);
    app.add_flag("--aliases", aliases, "also every COM alias in the alias folder, as it appears");
    app.add_option("--config", config,
                   "the settings file (TOML); without it " + defaultSettingsFile() + " if there")
        ->type_name("FILE");
    std::map<std::string_view, std::string> words;
    for (const OptionEntry& entry : kWordOptions)
        app.add_option(entry.names, words[entry.key], entry.help)->type_name(entry.type);
    std::vector<std::string> probes;
    app.add_option("--probe", probes,
                   "send tagged data from FROM to TO every EVERY (10s) and judge its delivery; "
                   "--probe again for each")
        ->type_name("FROM,TO[,EVERY]")
        ->allow_extra_args(false);
    app.add_flag("--json", line.json, "print each event as one JSON object a line");
    try {
        app.parse(argc, argv);
        if (app.count("--config")) line.configFile = config;
        std::vector<std::pair<std::string_view, SettingValue>> given;
        if (!ports.empty()) given.emplace_back("ports", ports);
        if (app.count("--aliases")) given.emplace_back("aliases", aliases);
        for (const OptionEntry& entry : kWordOptions)
            if (app.count(entry.names)) given.emplace_back(entry.key, words[entry.key]);
        for (const std::string& probe : probes) given.emplace_back("probe", probe);
        for (const auto& [key, value] : given) {
            if (const std::string problem = chooseSetting(line.options, key, value);
                !problem.empty()) {
                std::string option(key);
                std::ranges::replace(option, '_', '-');
                throw CLI::ValidationError("--" + (key == "ports" ? "port" : option), problem);
            }
        }
    } catch (const CLI::ParseError& error) {
        std::ostringstream out;
        std::ostringstream err;
        line.exitCode = app.exit(error, out, err) == 0 ? modlink::kExitDone : modlink::kExitUsage;
        line.output = out.str();
        line.error = err.str();
    }
    return line;
}

}  // namespace watch
