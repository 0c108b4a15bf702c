#include "CommandLine.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include "Files.h"
#include "NetworkAddress.h"
#include "PortNames.h"
#include "PortRange.h"
#include "Profile.h"
#include "SetupNames.h"
#include "Text.h"
#include "UnitRecord.h"

namespace {

constexpr std::string_view kProgram = "meshcfg-cli";

}  // namespace

CLI::Validator decimalIn(std::int64_t min, std::int64_t max) {
    const std::string range = std::to_string(min) + " to " + std::to_string(max);
    return CLI::Validator(
        [min, max, range](std::string& text) -> std::string {
            const auto value = wholeDecimal(text);
            if (!value || *value < min || *value > max)
                return "'" + text + "' is not a decimal number from " + range;
            text = std::to_string(*value);
            return {};
        },
        "DECIMAL " + range);
}

namespace {

CLI::Validator portRate() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const auto value = wholeDecimal(text);
            if (!value || *value > proto::kUartBaudRates.back() ||
                !proto::uartBaudIndex(static_cast<int>(*value)))
                return "'" + text + "' is not a rate the port takes: " + rateList();
            text = std::to_string(*value);
            return {};
        },
        "RATE");
}

// A setting as a script writes it: a decimal number, or else its text, which the setting then
// refuses or takes by name.
SettingChanges::Value settingValue(const std::string& text) {
    if (const auto whole = wholeDecimal(text)) return *whole;
    if (const auto real = decimalFraction(text)) return *real;
    return text;
}

// The write and apply options that change one setting each.
struct SettingOptions {
    std::optional<std::string> values[kSettingKeys.size()];

    void addTo(CLI::App& command) {
        const char* const descriptions[] = {
            "frequency in MHz, such as 433.5",
            "transmit power, 1 to 7",
            "life cycle, 1h to 24h",
            "network id, 0 to 65535",
            "node id, 0 to 65534",
            "the module's UART rate, 1200 to 115200",
            "the module's UART parity, NO|ODD|EVEN",
        };
        for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
            std::string name = "--" + std::string(kSettingKeys[i]);
            std::replace(name.begin(), name.end(), '_', '-');
            command.add_option(name, values[i], descriptions[i]);
        }
    }

    SettingChanges changes() const {
        SettingChanges changes;
        for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
            if (!values[i]) continue;
            const std::string problem = changes.set(kSettingKeys[i], settingValue(*values[i]));
            if (!problem.empty()) throw Failure(kExitUsage, problem);
        }
        return changes;
    }
};

void addCommonOptions(CLI::App& app, CommonOptions& common, std::vector<std::string>& ports) {
    // One word each time, so that a profile or the bytes of raw after it stay their own.
    app.add_option("-p,--port", ports,
                   "COMn as the window names ports (aliases included) or a device path; apply "
                   "and mesh survey take several, -p again for each, and COMn-COMm for a range")
        ->allow_extra_args(false);
    app.add_option("--baud", common.baud, "the port's baud rate: " + rateList())
        ->capture_default_str()
        ->transform(portRate());
    app.add_option("--parity", common.parity, "the port's parity")
        ->capture_default_str()
        ->check(CLI::IsMember(
            std::vector<std::string>(proto::kParityNames.begin(), proto::kParityNames.end())));
    app.add_option("--timeout", common.timeoutMs, "milliseconds to wait for each reply")
        ->capture_default_str()
        ->transform(decimalIn(1, 3600000));
    app.add_flag("--json", common.json, "print one JSON document instead of text");
}

void checkWritable(const std::string& path, Writing how) {
    if (path.empty()) return;
    const std::string reason = unwritableReason(path, how);
    if (!reason.empty()) throw Failure(kExitUsage, path + ": cannot be written: " + reason);
}

// The options of the main command that a command takes: each command's help shows them after
// its own, since they may stand before or after its name.
std::vector<std::string> commonOptionsOf(Command command) {
    switch (command) {
        case Command::kPorts:
        case Command::kUnits:
            return {"--json"};
        case Command::kStation:  // the station finds its ports itself
            return {"--baud", "--parity", "--timeout", "--json"};
        case Command::kMonitor:  // runs until Ctrl+C
            return {"--port", "--baud", "--parity", "--json"};
        default:
            return {"--port", "--baud", "--parity", "--timeout", "--json"};
    }
}

class CommandHelp : public CLI::Formatter {
  public:
    void takes(const CLI::App* command, Command which) { m_common[command] = which; }

    std::string make_footer(const CLI::App* app) const override {
        const auto found = m_common.find(app);
        if (found == m_common.end()) return CLI::Formatter::make_footer(app);
        std::vector<const CLI::Option*> common;
        const CLI::App* main = app;
        while (main->get_parent()) main = main->get_parent();
        for (const std::string& name : commonOptionsOf(found->second))
            common.push_back(main->get_option(name));
        // The group opens with a blank line, and one is left after the command's own options.
        return make_group("Common options", false, common).substr(1) +
               CLI::Formatter::make_footer(app);
    }

  private:
    std::map<const CLI::App*, Command> m_common;
};

// A port name that can never be opened is a usage error, found before anything is sent.
void checkPortName(const std::string& name) {
    if (looksLikeNetworkAddress(name)) {
        const ParsedAddress parsed = parseNetworkAddress(name);
        if (!parsed.address) throw Failure(kExitUsage, parsed.error);
    } else if (looksLikeComName(name) && !portNumberOf(name)) {
        throw Failure(kExitUsage, "'" + name + "' is not COM1 to COM255");
    }
}

// Every option the commands take, bound to where the parse stores it.
struct Declared {
    CLI::App app{"Sets up and tests a qz-470mr mesh radio module on a serial port.",
                 std::string(kProgram)};
    Invocation invocation;
    std::string profilePath;
    std::vector<std::string> ports;
    std::optional<std::string> nodeIds;
    std::optional<std::string> adapter;
    std::optional<std::string> since;
    std::optional<std::string> result;
    std::optional<int> nodeId;
    SettingOptions writeOptions;
    SettingOptions applyOptions;
    std::vector<std::pair<CLI::App*, Command>> commands;
    std::shared_ptr<CommandHelp> help = std::make_shared<CommandHelp>();

    Declared() {
        app.formatter(help);
        app.require_subcommand(1);
        app.fallthrough();
        addCommonOptions(app, invocation.common, ports);
        command("ports", "list the ports as the window shows them", Command::kPorts);

        auto* read = command("read", "read the module's seven settings", Command::kRead);
        read->add_option("--save", invocation.savePath, "also write them as a profile (TOML)");

        auto* write =
            command("write", "write settings; the others are read first", Command::kWrite);
        writeOptions.addTo(*write);
        write->add_flag("--verify", invocation.verify, "read back and compare");

        auto* apply = command("apply", "write a profile, read back and compare", Command::kApply);
        applyOptions.addTo(*apply);
        declareUnitOptions(*apply);

        auto* station = command("station", "set up each module as it is plugged in, until Ctrl+C",
                                Command::kStation);
        declareUnitOptions(*station);
        station->add_flag("--aliases", invocation.station.aliases,
                          "take COM aliases as they appear in the alias folder");

        declareUnits(*command("units", "list the units of the line's record, or count them",
                              Command::kUnits));

        command("route", "read the route list", Command::kRoute);
        command("path", "read the path list", Command::kPath);
        declareSend(*command("send", "send application data to a node", Command::kSend));

        auto* raw =
            command("raw", "send bytes with their check byte, print the reply", Command::kRaw);
        raw->add_option("bytes", invocation.rawBytes, "hex bytes, such as \"01 00 03 00\"")
            ->required();
        raw->add_flag("--as-is", invocation.asIs, "send the bytes unchanged, without a check byte");

        auto* monitor =
            command("monitor", "print every block received until Ctrl+C", Command::kMonitor);
        monitor->add_flag("--follow", invocation.follow,
                          "when the device hangs up, wait for it and go on");

        CLI::App* mesh = app.add_subcommand("mesh", "work on every module of a mesh at once");
        mesh->require_subcommand(1);
        declared(addMeshSurveyCommand(*mesh, invocation.meshSurvey), Command::kMeshSurvey);
        declared(addMeshTestCommand(*mesh, invocation.meshTest), Command::kMeshTest);
    }

    CLI::App* command(const std::string& name, const std::string& description, Command which) {
        return declared(app.add_subcommand(name, description), which);
    }
    CLI::App* declared(CLI::App* sub, Command which) {
        commands.emplace_back(sub, which);
        help->takes(sub, which);
        return sub;
    }

    // -p as given, every COMn-COMm range spelt out; a name that can never be opened is refused.
    std::vector<std::string> namedPorts() const {
        std::vector<std::string> named;
        for (const std::string& port : ports)
            for (std::string& one : expandPortRange(port)) named.push_back(std::move(one));
        for (const std::string& port : named) checkPortName(port);
        return named;
    }

    // What apply and station share: the profile, the units' ids and the report.
    void declareUnitOptions(CLI::App& command) {
        StationOptions& station = invocation.station;
        command.add_option("profile", profilePath, "the profile (TOML)")->required();
        command.add_option("--report", station.reportPath,
                           "append one CSV row per unit to this file");
        command.add_option("--node-ids", nodeIds,
                           "give each unit the next free node id of FIRST..LAST");
        command.add_option("--id-file", station.idFile,
                           "keep the node ids given out in this file, shared by every process");
        command.add_flag("--keep-node-id", station.keepNodeId,
                         "a module keeps the node id it holds (with --node-ids: one of the range "
                         "that no other unit was given)");
        command.add_option("--adapter", adapter,
                           "every plugged USB adapter of this model, as VID:PID in hex");
        command.add_option("--db", station.dbUrl,
                           "keep every unit in the line's record: sqlite:///PATH or "
                           "postgresql://USER@HOST:PORT/DB; node ids then come from it");
        command.add_option("--spool", station.spoolPath,
                           "keep rows here while the record cannot be reached (default: "
                           "$XDG_STATE_HOME/meshcfg/spool-*.jsonl)");
    }

    void declareUnits(CLI::App& command) {
        UnitsOptions& units = invocation.units;
        command.add_option("--db", units.dbUrl, "the line's record")->required();
        command.add_option("--since", since,
                           "units started since YYYY-MM-DD[ HH:MM[:SS]] local time, or the last "
                           "N minutes, hours or days (30m, 8h, 7d)");
        command.add_option("--station", units.filter.station, "units of this station only");
        command.add_option("--result", result, "PASS, FAIL or reserved")
            ->check(CLI::IsMember({"PASS", "FAIL", "reserved"}));
        command.add_option("--node-id", nodeId, "the unit given this node id")
            ->transform(decimalIn(0, 65535));
        command.add_option("--adapter", units.filter.adapter,
                           "the adapter's serial number or its VID:PID");
        command.add_flag("--csv", units.csv, "the report's columns, with its header");
        command.add_flag("--summary", units.summary,
                         "counts of each station and result, and the yield");
    }

    void finishUnits() {
        UnitsOptions& units = invocation.units;
        if (units.csv && invocation.common.json)
            throw Failure(kExitUsage, "units: give --csv or --json, not both");
        if (since) {
            units.filter.sinceUtcMs = sinceUtcMs(*since, std::chrono::system_clock::now());
            if (!units.filter.sinceUtcMs)
                throw Failure(kExitUsage, "--since '" + *since +
                                              "' is not YYYY-MM-DD[ HH:MM[:SS]] nor a number "
                                              "with m, h or d");
        }
        if (result) units.filter.result = record::resultFromName(*result);
        if (nodeId) units.filter.nodeId = static_cast<std::uint16_t>(*nodeId);
    }

    void finishUnitOptions() {
        StationOptions& station = invocation.station;
        station.ports = namedPorts();
        if (nodeIds) {
            station.nodeIds = NodeIdRange::parse(*nodeIds);
            if (!station.nodeIds)
                throw Failure(kExitUsage, "--node-ids '" + *nodeIds +
                                              "' is not FIRST..LAST, decimal node ids below "
                                              "65535 (no node) with FIRST <= LAST");
            if (applyOptions.values[4])
                throw Failure(kExitUsage, "give --node-id or --node-ids, not both");
        }
        if (!station.idFile.empty() && !station.nodeIds)
            throw Failure(kExitUsage, "--id-file keeps the ids of --node-ids: give the range");
        if (!station.idFile.empty() && !station.dbUrl.empty())
            throw Failure(kExitUsage,
                          "give --id-file or --db, not both: with --db the record gives the ids");
        if (!station.spoolPath.empty() && station.dbUrl.empty())
            throw Failure(kExitUsage, "--spool keeps the rows of --db: give the record");
        if (!station.dbUrl.empty() && station.spoolPath.empty())
            station.spoolPath = defaultSpoolPath(station.dbUrl);
        if (!station.spoolPath.empty()) {
            std::error_code ignored;  // an unmade folder shows in the check below
            std::filesystem::create_directories(
                std::filesystem::path(station.spoolPath).parent_path(), ignored);
        }
        checkWritable(station.spoolPath, Writing::kAppend);
        checkWritable(station.idFile, Writing::kAppend);
        if (adapter) {
            station.adapter = AdapterModel::parse(*adapter);
            if (!station.adapter)
                throw Failure(kExitUsage,
                              "--adapter '" + *adapter + "' is not VID:PID, four hex digits each");
        }
        if (invocation.command == Command::kStation &&
            (station.adapter.has_value() == station.aliases || !station.ports.empty()))
            throw Failure(kExitUsage, "station: give either --adapter VID:PID or --aliases");
        if (invocation.command == Command::kApply && station.ports.empty() && !station.adapter)
            throw Failure(kExitUsage, "give the port with -p COMn or -p DEVICE, or --adapter");
        checkWritable(station.reportPath, Writing::kAppend);
        Profile profile = readProfile(profilePath);
        station.profile = {std::filesystem::path(profilePath).filename().string(),
                           std::move(profile.sha256)};
        invocation.changes = std::move(profile.changes);
        invocation.changes.overlay(applyOptions.changes());
        requireAllSettings(profilePath, invocation.changes);
    }

    void declareSend(CLI::App& send) {
        SendOptions& options = invocation.send;
        send.add_option("--target", options.target, "target node id")
            ->required()
            ->transform(decimalIn(0, 65535));
        send.add_option("--mode", options.mode, "route mode")
            ->capture_default_str()
            ->check(CLI::IsMember(routeModeNames()));
        send.add_option("--jump", options.jump, "jump value")
            ->capture_default_str()
            ->transform(decimalIn(1, 7));
        send.add_option("--relays", options.relays,
                        "relay node ids for --mode source, 4 hexadecimal digits each, as the "
                        "window's relay fields take them (every other number is decimal): "
                        "0005,000A")
            ->delimiter(',');
        send.add_option("--data", options.data, "hex data, such as \"01 02\"")->required();
        send.add_flag("--ack", options.ack, "ask the target node to acknowledge");
        send.add_option("--count", options.count, "send this many times, then the summary")
            ->transform(decimalIn(1, 100000000));
        send.add_option("--interval", options.intervalMs, "milliseconds between sends")
            ->capture_default_str()
            ->transform(decimalIn(0, 3600000));
    }

    // What the parse leaves for the command: the settings, and the port it needs.
    void finish() {
        for (const auto& [sub, which] : commands)
            if (*sub) invocation.command = which;
        const bool units =
            invocation.command == Command::kApply || invocation.command == Command::kStation;
        if (units) return finishUnitOptions();
        if (invocation.command == Command::kUnits) return finishUnits();
        if (invocation.command == Command::kMeshSurvey) {
            invocation.meshSurvey.ports = namedPorts();
            return finishMeshSurvey(invocation.meshSurvey, invocation.common.json);
        }
        if (invocation.command == Command::kMeshTest) {
            invocation.meshTest.ports = namedPorts();
            return checkMeshTestOptions(invocation.meshTest);
        }
        if (ports.size() > 1)
            throw Failure(kExitUsage, "only apply, mesh survey and mesh test take several ports");
        if (!ports.empty()) invocation.common.port = ports.front();
        if (invocation.command != Command::kPorts && invocation.common.port.empty())
            throw Failure(kExitUsage, "give the port with -p COMn or -p DEVICE");
        if (!invocation.common.port.empty()) checkPortName(invocation.common.port);
        checkWritable(invocation.savePath, Writing::kReplace);
        if (invocation.command == Command::kWrite) {
            invocation.changes = writeOptions.changes();
            if (invocation.changes.empty())
                throw Failure(kExitUsage, "write: give at least one setting to write");
        }
    }
};

}  // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv) {
    Declared declared;
    ParsedCommandLine parsed;
    try {
        declared.app.parse(argc, argv);
        declared.finish();
        parsed.invocation = std::move(declared.invocation);
    } catch (const CLI::ParseError& error) {
        std::ostringstream out;
        std::ostringstream err;
        parsed.exitCode = declared.app.exit(error, out, err) == 0 ? kExitDone : kExitUsage;
        parsed.output = out.str();
        parsed.error = err.str();
    } catch (const Failure& failure) {
        parsed.exitCode = failure.code();
        parsed.error = std::string(kProgram) + ": " + failure.what() + "\n";
    }
    return parsed;
}

int runInvocation(const Invocation& run) {
    const CommonOptions& common = run.common;
    try {
        switch (run.command) {
            case Command::kPorts:
                return listPorts(common);
            case Command::kRead:
                return readSetup(common, run.savePath);
            case Command::kWrite:
                return writeSetup(common, run.changes, run.verify);
            case Command::kApply:
                return applyProfile(common, run.changes, run.station);
            case Command::kStation:
                return stationMode(common, run.changes, run.station);
            case Command::kUnits:
                return listUnits(common, run.units);
            case Command::kRoute:
                return readRoutes(common);
            case Command::kPath:
                return readPath(common);
            case Command::kSend:
                return sendData(common, run.send);
            case Command::kRaw:
                return sendRaw(common, run.rawBytes, run.asIs);
            case Command::kMonitor:
                return monitor(common, run.follow);
            case Command::kMeshSurvey:
                return surveyMesh(common, run.meshSurvey);
            case Command::kMeshTest:
                return meshTest(common, run.meshTest);
        }
    } catch (const Failure& failure) {
        if (failure.code() == kExitInterrupted)
            std::cerr << failure.what() << "\n";
        else
            std::cerr << kProgram << ": " << failure.what() << "\n";
        return failure.code();
    }
    return kExitUsage;
}
