// mesh history: what watchers kept in the record, each condition as one span from its start to
// its end, so that "when did node 5 drop, and for how long" is one line.

#include <CLI/CLI.hpp>
#include <iostream>

#include "CommandLine.h"
#include "Commands.h"
#include "CsvCell.h"
#include "JsonText.h"
#include "RecordError.h"
#include "SpanText.h"
#include "Text.h"
#include "UnitsCommand.h"
#include "UserFolders.h"
#include "WatchHistory.h"

namespace cli {

namespace {

struct MeshHistoryOptions {
    std::string dbUrl = record::defaultHistoryUrl(files::stateHome());
    record::HistoryFilter filter;
    std::optional<std::string> since;
    std::optional<int> node;
    bool csv = false;
};

// The start's, or the end's when the start came before the events asked for.
const record::HistoryEvent& firstOf(const record::HistorySpan& span) {
    return span.start ? *span.start : *span.end;
}

modlink::Json nodeJson(const std::optional<std::uint16_t>& node) {
    return node ? modlink::Json(*node) : modlink::Json();
}

std::optional<double> durationSeconds(const record::HistorySpan& span) {
    const auto ms = span.durationMs();
    if (!ms) return std::nullopt;
    return static_cast<double>(*ms) / 1000.0;
}

modlink::Json spanJson(const record::HistorySpan& span) {
    const record::HistoryEvent& first = firstOf(span);
    const auto seconds = durationSeconds(span);
    const bool condition = first.phase != "once";
    return {{"site", first.site},
            {"kind", first.kind},
            {"port", first.port},
            {"node", nodeJson(first.node)},
            {"peer", nodeJson(first.peer)},
            {"start", span.start ? modlink::Json(span.start->time) : modlink::Json()},
            {"end", span.end ? modlink::Json(span.end->time) : modlink::Json()},
            {"duration_s", seconds ? modlink::Json(*seconds) : modlink::Json()},
            {"lasts", condition && !span.end},
            {"text", first.text}};
}

std::string spanLine(const record::HistorySpan& span) {
    const record::HistoryEvent& first = firstOf(span);
    std::string line = first.time + " " + first.site + " " + first.kind + ": " + first.text;
    if (!span.start)
        line += "; ended, begun before the events asked for";
    else if (span.end)
        line += "; until " + span.end->time + ", " +
                forms::spanText(std::chrono::seconds((*span.durationMs() + 500) / 1000));
    else if (first.phase == "start")
        line += "; no end kept yet";
    return forms::terminalText(line);
}

void printSpans(const modlink::CommonOptions& common, const MeshHistoryOptions& options,
                const std::vector<record::HistorySpan>& spans) {
    if (common.json) {
        modlink::Json rows = modlink::Json::array();
        for (const auto& span : spans) rows.push_back(spanJson(span));
        std::cout << reports::jsonText(std::move(rows)) << "\n";
    } else if (options.csv) {
        std::cout << "site,kind,port,node,peer,start,end,duration_s,text\n";
        for (const auto& span : spans) {
            const record::HistoryEvent& first = firstOf(span);
            const auto node = [](const std::optional<std::uint16_t>& id) {
                return id ? std::to_string(*id) : std::string();
            };
            const auto seconds = durationSeconds(span);
            std::cout << forms::csvTextCell(first.site) << "," << first.kind << ","
                      << forms::csvTextCell(first.port) << "," << node(first.node) << ","
                      << node(first.peer) << "," << (span.start ? span.start->time : "") << ","
                      << (span.end ? span.end->time : "") << ","
                      << (seconds ? modlink::Json(*seconds).dump() : "") << ","
                      << forms::csvTextCell(first.text) << "\n";
        }
    } else {
        for (const auto& span : spans) std::cout << spanLine(span) << "\n";
    }
}

modlink::ExitCode showHistory(const modlink::CommonOptions& common,
                              const MeshHistoryOptions& options) {
    std::optional<record::WatchHistory> history;
    try {
        history.emplace(options.dbUrl, record::Connection::Access::kRead);
    } catch (const record::RecordError& error) {
        throw modlink::Failure(modlink::kExitUsage, error.what());
    }
    try {
        printSpans(common, options, record::historySpans(history->events(options.filter)));
    } catch (const record::DatabaseDown& error) {
        throw modlink::Failure(modlink::kExitRecord,
                               std::string("the history cannot be reached: ") + error.what());
    } catch (const record::RecordError& error) {
        throw modlink::Failure(modlink::kExitRecord,
                               std::string("the history cannot be read: ") + error.what());
    }
    return modlink::kExitDone;
}

void checkHistoryOptions(const modlink::CommonOptions& common, MeshHistoryOptions& options) {
    if (options.csv && common.json)
        throw modlink::Failure(modlink::kExitUsage, "mesh history: give --csv or --json, not both");
    if (options.since) options.filter.sinceUtcMs = sinceOption(*options.since);
    if (options.node) options.filter.node = static_cast<std::uint16_t>(*options.node);
}

}  // namespace

void addMeshHistoryCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<MeshHistoryOptions>();
    CLI::App* command = &subcommand;
    command->add_option("--db", options->dbUrl,
                        "the record the watcher keeps its history in (" + options->dbUrl + ")");
    command->add_option("--node", options->node, "events of this node, or about it")
        ->transform(decimalIn(0, 65535));
    command->add_option("--site", options->filter.site, "one watcher's site only");
    command->add_option("--since", options->since,
                        "events since YYYY-MM-DD[ HH:MM[:SS]] local time, or the last N "
                        "minutes, hours or days (30m, 8h, 7d)");
    command->add_flag("--csv", options->csv, "one row a span, with a header");
    run.add(
        command, {"--json"},
        [options](MainOptions& main) { checkHistoryOptions(main.common, *options); },
        [options](const modlink::CommonOptions& common) { return showHistory(common, *options); },
        {}, options);
}

}  // namespace cli
