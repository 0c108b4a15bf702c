#include "UnitsCommand.h"

#include <CLI/CLI.hpp>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <optional>
#include <sstream>

#include "CommandLine.h"
#include "Commands.h"
#include "CsvCell.h"
#include "JsonText.h"
#include "LineRecord.h"
#include "Text.h"
#include "UnitRowText.h"

namespace cli {

namespace {

modlink::Json yieldJson(const record::StationTally& tally) {
    const auto yield = tally.yield();
    return yield ? modlink::Json(*yield) : modlink::Json();
}

std::string yieldText(const record::StationTally& tally) {
    const auto yield = tally.yield();
    if (!yield) return "-";
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << *yield * 100 << "%";
    return text.str();
}

modlink::Json tallyJson(const record::StationTally& tally) {
    return {{"station", tally.station},
            {"passed", tally.passed},
            {"failed", tally.failed},
            {"reserved", tally.reserved},
            {"yield", yieldJson(tally)}};
}

void printSummary(const modlink::CommonOptions& common, const UnitsOptions& options,
                  const record::Summary& summary) {
    if (common.json) {
        modlink::Json stations = modlink::Json::array();
        for (const auto& tally : summary.stations) stations.push_back(tallyJson(tally));
        std::cout << reports::jsonText({{"stations", stations}, {"line", tallyJson(summary.line)}})
                  << "\n";
        return;
    }
    const char* const separator = options.csv ? "," : " ";
    if (options.csv) std::cout << "station,passed,failed,reserved,yield\n";
    const auto print = [&](const std::string& name, const record::StationTally& tally) {
        std::cout << name << separator << tally.passed << separator << tally.failed << separator
                  << tally.reserved << separator << yieldText(tally) << "\n";
    };
    if (!options.csv) std::cout << "station passed failed reserved yield\n";
    for (const auto& tally : summary.stations)
        print(options.csv ? forms::csvTextCell(tally.station) : forms::terminalText(tally.station),
              tally);
    if (!options.csv) print("(line)", summary.line);
}

void printUnits(const modlink::CommonOptions& common, const UnitsOptions& options,
                const std::vector<record::UnitRow>& rows) {
    if (options.jsonLines) {
        for (const auto& row : rows)
            std::cout << reports::jsonText(station::unitJsonLine(row)) << "\n";
    } else if (common.json) {
        modlink::Json units = modlink::Json::array();
        for (const auto& row : rows) units.push_back(station::unitJson(row));
        std::cout << reports::jsonText(std::move(units)) << "\n";
    } else if (options.csv) {
        std::cout << station::reportHeader();
        for (const auto& row : rows) std::cout << station::reportLine(row, row.time);
    } else {
        // The record's texts came from ports, adapters and modules: written out where they hold
        // control characters, so each unit stays one line.
        for (const auto& row : rows)
            std::cout << forms::terminalText(row.time.text() + " " + row.station + " " +
                                             station::unitLine(row))
                      << "\n";
    }
}

modlink::ExitCode listUnits(const modlink::CommonOptions& common, const UnitsOptions& options) {
    std::optional<record::LineRecord> line;
    try {
        line.emplace(options.dbUrl);
    } catch (const record::RecordError& error) {
        throw modlink::Failure(modlink::kExitUsage, error.what());
    }
    try {
        if (options.summary)
            printSummary(common, options, line->summary(options.filter));
        else
            printUnits(common, options, line->units(options.filter));
    } catch (const record::DatabaseDown& error) {
        throw modlink::Failure(modlink::kExitRecord,
                               std::string("the line's record cannot be reached: ") + error.what());
    } catch (const record::RecordError& error) {
        throw modlink::Failure(modlink::kExitRecord,
                               std::string("the line's record cannot be read: ") + error.what());
    }
    return modlink::kExitDone;
}

void checkUnitsOptions(const modlink::CommonOptions& common, UnitsOptions& units) {
    if (units.csv + common.json + units.jsonLines > 1)
        throw modlink::Failure(modlink::kExitUsage,
                               "units: give one of --csv, --json and --json-lines");
    if (units.jsonLines && units.summary)
        throw modlink::Failure(modlink::kExitUsage,
                               "units: --json-lines lists units; --summary counts them");
    if (units.since) units.filter.sinceUtcMs = sinceOption(*units.since);
    if (units.result) units.filter.result = record::resultFromName(*units.result);
    if (units.nodeId) units.filter.nodeId = static_cast<std::uint16_t>(*units.nodeId);
}

}  // namespace

std::optional<std::int64_t> sinceUtcMs(const std::string& text,
                                       std::chrono::system_clock::time_point now) {
    const auto nowMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    if (const auto span = forms::spanOfTime(text)) return nowMs - span->count();
    for (const char* format : {"%Y-%m-%d %H:%M:%S", "%Y-%m-%d %H:%M", "%Y-%m-%d"}) {
        std::tm fields{};
        std::istringstream in(text);
        in >> std::get_time(&fields, format);
        if (in.fail() || in.peek() != std::char_traits<char>::eof()) continue;
        // The parse takes any day up to 31 in any month; the clock would move 2026-02-30 on to
        // 2026-03-02.
        const std::chrono::year_month_day day{std::chrono::year(fields.tm_year + 1900),
                                              std::chrono::month(fields.tm_mon + 1),
                                              std::chrono::day(fields.tm_mday)};
        if (!day.ok()) return std::nullopt;
        fields.tm_isdst = -1;  // the local rule of that day
        const std::time_t seconds = std::mktime(&fields);
        if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
        return std::int64_t{seconds} * 1000;
    }
    return std::nullopt;
}

std::int64_t sinceOption(const std::string& text) {
    const auto since = sinceUtcMs(text, std::chrono::system_clock::now());
    if (!since)
        throw modlink::Failure(
            modlink::kExitUsage,
            "--since '" + text + "' is not YYYY-MM-DD[ HH:MM[:SS]] nor a number with m, h or d");
    return *since;
}

void addUnitsCommand(CLI::App& subcommand, CommandRun& run) {
    auto units = std::make_shared<UnitsOptions>();
    CLI::App* command = &subcommand;
    command->add_option("--db", units->dbUrl, "the line's record")->required();
    command->add_option("--since", units->since,
                        "units started since YYYY-MM-DD[ HH:MM[:SS]] local time, or the last "
                        "N minutes, hours or days (30m, 8h, 7d)");
    command->add_option("--station", units->filter.station, "units of this station only");
    command->add_option("--result", units->result, "PASS, FAIL or reserved")
        ->check(CLI::IsMember({"PASS", "FAIL", "reserved"}));
    command->add_option("--node-id", units->nodeId, "the unit given this node id")
        ->transform(decimalIn(0, 65535));
    command->add_option("--adapter", units->filter.adapter,
                        "the adapter's serial number or its VID:PID");
    command->add_option("--operator", units->filter.operatorName,
                        "units of this operator only, as --operator named them");
    command->add_flag("--csv", units->csv, "the report's columns, with its header");
    command->add_flag("--json-lines", units->jsonLines,
                      "one JSON object a line, the adapter's serial, station and operator first");
    command->add_flag("--summary", units->summary,
                      "counts of each station and result, and the yield");
    run.add(
        command, {"--json"}, [units](MainOptions& main) { checkUnitsOptions(main.common, *units); },
        [units](const modlink::CommonOptions& common) { return listUnits(common, *units); }, {},
        units);
}

}  // namespace cli
