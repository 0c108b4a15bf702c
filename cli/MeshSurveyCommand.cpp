#include "MeshSurveyCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "Interrupt.h"
#include "JsonText.h"
#include "Mesh.h"
#include "MeshDot.h"
#include "NamedPorts.h"
#include "PortNames.h"
#include "PortSurvey.h"
#include "Profile.h"
#include "Text.h"

namespace {

std::vector<std::string> portsToSurvey(const MeshSurveyOptions& options) {
    std::vector<std::string> ports = options.ports;
    if (options.adapter) addAdapterPorts(*options.adapter, ports);
    if (options.aliases) {
        if (const std::string problem = aliasDirectoryProblem(); !problem.empty())
            throw Failure(kExitPort, problem);
        for (const PluggedUnit& alias : pluggedAliases())
            if (std::ranges::find(ports, alias.port) == ports.end()) ports.push_back(alias.port);
        if (ports.empty())
            throw Failure(kExitPort, "no COM alias is plugged in " + aliasDirectory());
    }
    refuseRepeatedPorts(ports);
    return ports;
}

const mesh::ModuleAnswers* answersOf(const mesh::SurveyedPort& port) {
    return std::get_if<mesh::ModuleAnswers>(&port.outcome);
}

// A node as the table and the JSON show it: a module on its port, or a node only heard of.
struct NodeRow {
    const mesh::MeshNode* node = nullptr;
    const mesh::SurveyedPort* port = nullptr;  // null for a node only heard of
};

// One row per module, so that two modules of one node id both show; then the nodes heard of.
std::vector<NodeRow> nodeRows(const mesh::Mesh& mesh) {
    std::vector<NodeRow> rows;
    for (const mesh::MeshNode& node : mesh.graph.nodes) {
        if (!node.onPort()) rows.push_back({&node, nullptr});
        for (const std::size_t module : node.modules) rows.push_back({&node, &mesh.survey[module]});
    }
    return rows;
}

std::vector<proto::RouteEntry> routesOf(const mesh::SurveyedPort* port) {
    std::vector<proto::RouteEntry> routes;
    const auto* answers = port ? answersOf(*port) : nullptr;
    if (!answers || !answers->routes) return routes;
    for (const auto& entry : answers->routes->entries)
        if (entry) routes.push_back(*entry);
    return routes;
}

std::string numbersText(const std::vector<std::uint16_t>& numbers) {
    std::string text;
    for (const std::uint16_t number : numbers)
        text += (text.empty() ? "" : " ") + std::to_string(number);
    return text;
}

// "2 3 4>3": each target, and the first hop where the route runs through another node.
std::string routesText(const std::vector<proto::RouteEntry>& routes) {
    std::string text;
    for (const proto::RouteEntry& entry : routes) {
        text += (text.empty() ? "" : " ") + std::to_string(entry.target);
        if (entry.route != entry.target) text += ">" + std::to_string(entry.route);
    }
    return text;
}

std::string jsonValueText(const Json& value) {
    if (value.is_null()) return "?";
    return value.is_string() ? value.get<std::string>() : value.dump();
}

std::vector<std::string> settingCells(const NodeRow& row) {
    const auto* answers = row.port ? answersOf(*row.port) : nullptr;
    if (!answers || !answers->setup) return {"-", "-", "-", "-"};
    const Json settings = settingsJson(*answers->setup);
    char mhz[32];
    std::snprintf(mhz, sizeof mhz, "%.2f", settings["frequency"].get<double>());
    return {mhz, jsonValueText(settings["network_id"]), jsonValueText(settings["life_cycle"]),
            jsonValueText(settings["power"])};
}

void printTable(const mesh::Mesh& mesh) {
    std::vector<std::vector<std::string>> table{{"NODE", "PORT", "MHZ", "NETWORK", "LIFE", "POWER",
                                                 "ROUTES (TARGET>FIRST HOP)", "REACHED BY"}};
    for (const NodeRow& row : nodeRows(mesh)) {
        std::vector<std::string> cells{std::to_string(row.node->id),
                                       row.port ? terminalText(row.port->port) : "-"};
        for (std::string& cell : settingCells(row)) cells.push_back(std::move(cell));
        cells.push_back(routesText(routesOf(row.port)));
        cells.push_back(numbersText(row.node->reachedBy));
        table.push_back(std::move(cells));
    }
    std::vector<std::size_t> widths(table.front().size());
    for (const auto& cells : table)
        for (std::size_t i = 0; i < cells.size(); ++i)
            widths[i] = std::max(widths[i], cells[i].size());
    for (const auto& cells : table) {
        std::string line;
        for (std::size_t i = 0; i < cells.size(); ++i)
            line += cells[i] +
                    (i + 1 < cells.size() ? std::string(widths[i] - cells[i].size() + 2, ' ') : "");
        line.erase(line.find_last_not_of(' ') + 1);
        std::cout << line << "\n";
    }
    std::cout << "\n";
    if (mesh.faults.empty()) std::cout << "No fault found.\n";
    for (const mesh::Fault& fault : mesh.faults)
        std::cout << "fault: " << terminalText(fault.text) << "\n";
}

Json nodeJson(const NodeRow& row) {
    const auto* answers = row.port ? answersOf(*row.port) : nullptr;
    Json routes = Json::array();
    for (const proto::RouteEntry& entry : routesOf(row.port))
        routes.push_back({{"target", entry.target}, {"route", entry.route}});
    return {{"id", row.node->id},
            {"port", row.port ? Json(row.port->port) : Json()},
            {"settings", answers && answers->setup ? settingsJson(*answers->setup) : Json()},
            {"routes", answers && answers->routes ? routes : Json()},
            {"reached_by", row.node->reachedBy}};
}

Json edgeJson(const mesh::MeshEdge& edge) {
    Json json{{"from", edge.from},
              {"to", edge.to},
              {"kind", edge.kind == mesh::EdgeKind::Route ? "route" : "path"},
              {"link_value", edge.linkValue ? Json(*edge.linkValue) : Json()}};
    if (edge.kind == mesh::EdgeKind::Route) {
        json["targets"] = edge.targets;
        json["one_way"] = edge.oneWay;
    }
    return json;
}

Json faultJson(const mesh::Fault& fault) {
    return {{"kind", mesh::faultKindName(fault.kind)},
            {"text", fault.text},
            {"ports", fault.ports},
            {"nodes", fault.nodes}};
}

ExitCode exitCodeOf(const mesh::Mesh& mesh) {
    ExitCode code = mesh.faults.empty() ? kExitDone : kExitRefused;
    for (const mesh::SurveyedPort& port : mesh.survey) {
        const auto* failure = std::get_if<mesh::PortFailure>(&port.outcome);
        if (!failure) continue;
        const ExitCode failed =
            failure->kind == mesh::PortFailureKind::NoReply ? kExitNoReply : kExitPort;
        code = std::max(code, failed);
    }
    return code;
}

mesh::SharedSettings sharedSettingsOf(const SettingChanges& profile) {
    return {.frequencyRegister = profile.givenFrequencyRegister(),
            .networkId = profile.givenNetworkId(),
            .lifeCycleCode = profile.givenLifeCycleCode()};
}

}  // namespace

Json meshJson(const mesh::Mesh& mesh) {
    Json nodes = Json::array();
    for (const NodeRow& row : nodeRows(mesh)) nodes.push_back(nodeJson(row));
    Json edges = Json::array();
    for (const mesh::MeshEdge& edge : mesh.graph.edges) edges.push_back(edgeJson(edge));
    Json faults = Json::array();
    for (const mesh::Fault& fault : mesh.faults) faults.push_back(faultJson(fault));
    return {{"nodes", nodes}, {"edges", edges}, {"faults", faults}};
}

CLI::App* addMeshSurveyCommand(CLI::App& mesh, MeshSurveyOptions& options) {
    CLI::App* survey = mesh.add_subcommand(
        "survey", "read every module of a mesh at once, draw its map and list its faults");
    survey->add_option("--adapter", options.adapterText,
                       "also every plugged USB adapter of this model, as VID:PID in hex");
    survey->add_flag("--aliases", options.aliases,
                     "also every COM alias plugged in the alias folder now");
    survey->add_option("--profile", options.profilePath,
                       "the frequency, network id and life cycle every module must hold (TOML); "
                       "without it, the ones most modules hold");
    survey->add_flag("--dot", options.dot,
                     "print the map as Graphviz text (dot -Tsvg draws it) instead of the table");
    return survey;
}

void finishMeshSurvey(MeshSurveyOptions& options, bool json) {
    if (json && options.dot)
        throw Failure(kExitUsage, "mesh survey: give --json or --dot, not both");
    if (options.adapterText) {
        options.adapter = AdapterModel::parse(*options.adapterText);
        if (!options.adapter)
            throw Failure(kExitUsage, "--adapter '" + *options.adapterText +
                                          "' is not VID:PID, four hex digits each");
    }
    if (options.ports.empty() && !options.adapter && !options.aliases)
        throw Failure(kExitUsage,
                      "mesh survey: give the ports with -p (once per port, COMn-COMm for a "
                      "range), --aliases or --adapter VID:PID");
    if (!options.profilePath.empty())
        options.expected = sharedSettingsOf(readProfile(options.profilePath).changes);
}

ExitCode surveyMesh(const CommonOptions& common, const MeshSurveyOptions& options) {
    const std::vector<std::string> ports = portsToSurvey(options);
    const mesh::Mesh mesh = mesh::assessMesh(survey::surveyPorts(ports, common), options.expected);
    if (interrupted()) throw Interrupted(true);
    if (options.dot)
        std::cout << mesh::meshDot(mesh);
    else if (common.json)
        std::cout << jsonText(meshJson(mesh)) << "\n";
    else
        printTable(mesh);
    return exitCodeOf(mesh);
}
