#pragma once
// The commands of meshcfg-cli. Each prints its result on standard output (text, or one JSON
// document with --json) and returns its exit code; failures leave as a Failure.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "Failure.h"
#include "Messages.h"
#include "Session.h"
#include "Settings.h"
#include "StationOptions.h"

ExitCode listPorts(const CommonOptions& common);
// The ports as `ports --json` lists them, from one look of the directory.
Json portListJson(const PortDirectory& directory);

ExitCode readSetup(const CommonOptions& common, const std::string& savePath);
ExitCode writeSetup(const CommonOptions& common, const SettingChanges& changes, bool verify);
// The settings: the profile with the command line's options on top. One port prints as it
// always has; many ports are set up at once, one line per unit, and give the highest code.
ExitCode applyProfile(const CommonOptions& common, const SettingChanges& settings,
                      const StationOptions& station);
// Sets up each module as it is plugged in, until Ctrl+C or the last node id.
ExitCode stationMode(const CommonOptions& common, const SettingChanges& settings,
                     const StationOptions& station);

struct UnitsOptions;
// The units of the line's record as text, one JSON document, or the report's CSV; or their
// counts per station and result with the yield.
ExitCode listUnits(const CommonOptions& common, const UnitsOptions& units);
// The start of --since: "2026-12-08", "2026-12-08 06:00" (local time), or "8h" back from now.
std::optional<std::int64_t> sinceUtcMs(const std::string& text,
                                       std::chrono::system_clock::time_point now);

ExitCode readRoutes(const CommonOptions& common);
ExitCode readPath(const CommonOptions& common);

struct SendOptions {
    int target = 0;
    std::string mode = "auto";
    int jump = 7;
    std::vector<std::string> relays;
    std::string data;
    bool ack = false;          // ask the far node to acknowledge
    std::optional<int> count;  // a link test of count sends
    int intervalMs = 1000;
};
ExitCode sendData(const CommonOptions& common, const SendOptions& send);
// The send request for these options; a Failure with kExitUsage for one that cannot be sent.
proto::Frame sendRequest(const SendOptions& send);
struct SendConfirmation {
    std::uint8_t status = 0;
    double roundTripMs = 0;
};
// Nothing when no confirmation came: no reply in time or a wrong check byte.
std::optional<SendConfirmation> sendConfirmation(const Session::Exchange& exchange);
// A send request's route: mode by its command line name, jump, and relays as 4 hex digits
// each; a Failure with kExitUsage naming the command and its mode option for relays it cannot
// carry.
proto::SendDataRequest routedRequest(const std::string& mode, int jump,
                                     const std::vector<std::string>& relays,
                                     const std::string& command, const std::string& modeOption);
// The route modes as the command line names them, the module's list in lower case.
std::vector<std::string> routeModeNames();
std::optional<int> routeModeCode(std::string_view name);

ExitCode sendRaw(const CommonOptions& common, const std::string& hexText, bool asIs);
// Text lines, or one JSON object per block as it arrives (JSON lines). A hang-up ends it with
// kExitPort, or with follow waits for the device to come back.
ExitCode monitor(const CommonOptions& common, bool follow);
