#include "UnitCommands.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <system_error>

#include "JsonText.h"
#include "Profile.h"
#include "ProgressBoard.h"
#include "UnitRecord.h"
#include "UnitRowText.h"

namespace cli {

namespace {

class BoardOutput final : public station::UnitOutput {
  public:
    BoardOutput() : m_board(std::cout, ::isatty(STDOUT_FILENO) == 1) {}
    void found(const ports::PortTarget& port, const std::string& serial) override {
        m_board.begin(port.name, serial);
    }
    void step(const ports::PortTarget& port, station::UnitStep step,
              const std::optional<std::uint16_t>&) override {
        m_board.step(port.name, step);
    }
    void finished(const station::UnitOutcome& outcome) override {
        m_board.finish(outcome.row.port, station::unitLine(outcome.row));
    }
    void heldBack(const ports::PortTarget& port, const std::string& why) override {
        m_board.finish(port.name, port.name + " WAIT why=" + why);
    }
    void note(const std::string& line) override { m_board.note(line); }

  private:
    station::ProgressBoard m_board;
};

// One JSON object a line per event: found, written, verified, failed.
class JsonOutput final : public station::UnitOutput {
  public:
    void found(const ports::PortTarget& port, const std::string& serial) override {
        print({{"event", "found"},
               {"port", port.name},
               {"device", port.device},
               {"adapter_serial", serial}});
    }
    void step(const ports::PortTarget& port, station::UnitStep step,
              const std::optional<std::uint16_t>& nodeId) override {
        // Reading back begins once the write was acknowledged.
        if (step != station::UnitStep::kReadingBack) return;
        print({{"event", "written"}, {"port", port.name}, {"node_id", idJson(nodeId)}});
    }
    void finished(const station::UnitOutcome& outcome) override {
        const record::UnitRow& row = outcome.row;
        modlink::Json event{{"event", outcome.passed() ? "verified" : "failed"},
                            {"port", row.port},
                            {"adapter_serial", row.adapterSerial},
                            {"node_id", idJson(row.nodeId)},
                            {"ms", row.durationMs}};
        if (row.readBack) event["settings"] = modlink::settingsJson(*row.readBack);
        if (!outcome.passed()) {
            event["why"] = row.why;
            event["exit_code"] = static_cast<int>(outcome.code);
        }
        print(event);
    }
    void heldBack(const ports::PortTarget& port, const std::string& why) override {
        print({{"event", "held_back"}, {"port", port.name}, {"why", why}});
    }
    void note(const std::string& line) override { print({{"event", "note"}, {"text", line}}); }

  private:
    static modlink::Json idJson(const std::optional<std::uint16_t>& id) {
        return id ? modlink::Json(*id) : modlink::Json();
    }
    void print(const modlink::Json& event) {
        const std::lock_guard lock(m_mutex);
        std::cout << reports::jsonText(event) << std::endl;
    }
    std::mutex m_mutex;
};

}  // namespace

void addUnitOptions(CLI::App& command, UnitCommandOptions& options) {
    station::StationOptions& station = options.station;
    command.add_option("profile", options.profilePath, "the profile (TOML)")->required();
    command.add_option("--report", station.reportPath, "append one CSV row per unit to this file");
    command.add_option("--node-ids", options.nodeIds,
                       "give each unit the next free node id of FIRST..LAST");
    command.add_option("--id-file", station.idFile,
                       "keep the node ids given out in this file, shared by every process");
    command.add_flag("--keep-node-id", station.keepNodeId,
                     "a module keeps the node id it holds (with --node-ids: one of the range "
                     "that no other unit was given)");
    command.add_option("--adapter", options.adapter,
                       "every plugged USB adapter of this model, as VID:PID in hex");
    command.add_option("--junit", station.junitFolder,
                       "also write each unit as JUnit XML, one file per unit in this folder");
    addRecordOptions(command, station);
}

void addRecordOptions(CLI::App& command, station::StationOptions& station) {
    command.add_option("--db", station.dbUrl,
                       "keep every unit in the line's record: sqlite:///PATH or "
                       "postgresql://USER@HOST:PORT/DB; node ids then come from it");
    command.add_option("--spool", station.spoolPath,
                       "keep rows here while the record cannot be reached (default: "
                       "$XDG_STATE_HOME/meshcfg/spool-*.jsonl)");
    command.add_option("--operator", station.operatorName,
                       "who runs the station: kept with each unit in the line's record");
}

void checkUnitOptions(UnitCommandOptions& options, const MainOptions& main) {
    station::StationOptions& station = options.station;
    station.ports = station::namedPorts(main.ports);
    if (options.nodeIds) {
        station.nodeIds = station::NodeIdRange::parse(*options.nodeIds);
        if (!station.nodeIds)
            throw modlink::Failure(modlink::kExitUsage,
                                   "--node-ids '" + *options.nodeIds +
                                       "' is not FIRST..LAST, decimal node ids below "
                                       "65535 (no node) with FIRST <= LAST");
        if (options.given.given("node_id"))
            throw modlink::Failure(modlink::kExitUsage, "give --node-id or --node-ids, not both");
    }
    station::checkIdSources(station);
    if (options.adapter) station.adapter = adapterModel(*options.adapter);
}

void prepareSpool(station::StationOptions& station) {
    if (!station.dbUrl.empty() && station.spoolPath.empty())
        station.spoolPath = station::defaultSpoolPath(station.dbUrl);
    if (!station.spoolPath.empty()) {
        std::error_code ignored;  // an unmade folder shows in the check below
        std::filesystem::create_directories(std::filesystem::path(station.spoolPath).parent_path(),
                                            ignored);
    }
    checkWritable(station.spoolPath, station::Writing::kAppend);
}

void prepareUnitOptions(UnitCommandOptions& options) {
    station::StationOptions& station = options.station;
    prepareSpool(station);
    checkWritable(station.idFile, station::Writing::kAppend);
    checkWritable(station.reportPath, station::Writing::kAppend);
    station::ProfileFile profile = station::readProfile(options.profilePath);
    options.changes = std::move(profile.changes);
    options.changes.overlay(options.given.changes());
    station::requireAllSettings(options.profilePath, options.changes);
    proto::Setup setup;
    options.changes.applyTo(setup);
    station.profile = {std::filesystem::path(options.profilePath).filename().string(),
                       std::move(profile.sha256), setup};
}

std::unique_ptr<station::UnitOutput> unitOutput(const modlink::CommonOptions& common) {
    if (common.json) return std::make_unique<JsonOutput>();
    return std::make_unique<BoardOutput>();
}

}  // namespace cli
