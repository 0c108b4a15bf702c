#include "MeshSurveyCommand.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "Commands.h"
#include "Interrupt.h"
#include "JsonText.h"
#include "Mesh.h"
#include "MeshDot.h"
#include "MeshJson.h"
#include "NamedPorts.h"
#include "PortNames.h"
#include "PortSurvey.h"
#include "Profile.h"
#include "ProgramName.h"
#include "Text.h"

namespace cli {

namespace {

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

std::string jsonValueText(const modlink::Json& value) {
    if (value.is_null()) return "?";
    return value.is_string() ? value.get<std::string>() : value.dump();
}

std::vector<std::string> settingCells(const reports::NodeRow& row) {
    const auto* answers = row.port ? reports::answersOf(*row.port) : nullptr;
    if (!answers || !answers->setup) return {"-", "-", "-", "-"};
    const proto::Setup& setup = *answers->setup;
    char mhz[32];
    std::snprintf(mhz, sizeof mhz, "%.2f",
                  modlink::settingJson(setup, proto::SetupKey::kFrequency).get<double>());
    return {mhz, jsonValueText(modlink::settingJson(setup, proto::SetupKey::kNetworkId)),
            jsonValueText(modlink::settingJson(setup, proto::SetupKey::kLifeCycle)),
            jsonValueText(modlink::settingJson(setup, proto::SetupKey::kPower))};
}

void printTable(const mesh::Mesh& mesh) {
    std::vector<std::vector<std::string>> table{{"NODE", "PORT", "MHZ", "NETWORK", "LIFE", "POWER",
                                                 "ROUTES (TARGET>FIRST HOP)", "REACHED BY"}};
    for (const reports::NodeRow& row : reports::nodeRows(mesh)) {
        std::vector<std::string> cells{std::to_string(row.node->id),
                                       row.port ? forms::terminalText(row.port->port) : "-"};
        for (std::string& cell : settingCells(row)) cells.push_back(std::move(cell));
        cells.push_back(routesText(reports::routesOf(row.port)));
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
        std::cout << "fault: " << forms::terminalText(fault.text) << "\n";
}

// The drawing shows each failed port as a box of its own; its failure is also said on stderr,
// where no one reads the drawing's text.
void tellFailedPorts(const mesh::Mesh& mesh) {
    for (const mesh::SurveyedPort& port : mesh.survey)
        if (const auto* failure = std::get_if<mesh::PortFailure>(&port.outcome))
            std::cerr << modlink::programPrefix
                      << forms::terminalText(port.port + ": " + failure->reason) << "\n";
}

modlink::ExitCode exitCodeOf(const mesh::Mesh& mesh) {
    modlink::ExitCode code = mesh.faults.empty() ? modlink::kExitDone : modlink::kExitRefused;
    for (const mesh::SurveyedPort& port : mesh.survey) {
        const auto* failure = std::get_if<mesh::PortFailure>(&port.outcome);
        if (!failure) continue;
        const modlink::ExitCode failed = failure->kind == mesh::PortFailureKind::NoReply
                                             ? modlink::kExitNoReply
                                             : modlink::kExitPort;
        code = std::max(code, failed);
    }
    return code;
}

mesh::SharedSettings sharedSettingsOf(const proto::SettingChanges& profile) {
    return {.frequencyRegister = profile.givenFrequencyRegister(),
            .networkId = profile.givenNetworkId(),
            .lifeCycleCode = profile.givenLifeCycleCode()};
}

modlink::ExitCode surveyMesh(const modlink::CommonOptions& common,
                             const MeshSurveyOptions& options) {
    const std::vector<ports::PortTarget> ports = portsOf(options.ports, ports::PortDirectory());
    const mesh::Mesh mesh = mesh::assessMesh(survey::surveyPorts(ports, common), options.expected);
    if (modlink::interrupted()) throw modlink::Interrupted(true);
    if (options.dot) {
        std::cout << mesh::meshDot(mesh, mesh::FailedPorts::kDrawn) << std::flush;
        tellFailedPorts(mesh);
    } else if (common.json) {
        std::cout << reports::jsonText(reports::meshJson(mesh)) << "\n";
    } else {
        printTable(mesh);
    }
    return exitCodeOf(mesh);
}

}  // namespace

void addMeshPortOptions(CLI::App& command, MeshPorts& ports) {
    command.add_option("--adapter", ports.adapterText,
                       "also every plugged USB adapter of this model, as VID:PID in hex");
    command.add_flag("--aliases", ports.aliases,
                     "also every COM alias plugged in the alias folder now");
}

void checkMeshPorts(MeshPorts& ports, const MainOptions& main, const std::string& command) {
    ports.ports = station::namedPorts(main.ports);
    if (ports.adapterText) ports.adapter = adapterModel(*ports.adapterText);
    if (ports.ports.empty() && !ports.adapter && !ports.aliases)
        throw modlink::Failure(modlink::kExitUsage,
                               command +
                                   ": give the ports with -p (once per port, COMn-COMm for a "
                                   "range), --aliases or --adapter VID:PID");
}

std::vector<ports::PortTarget> portsOf(const MeshPorts& given,
                                       const ports::PortDirectory& directory) {
    std::vector<std::string> ports = given.ports;
    if (given.adapter) station::addAdapterPorts(*given.adapter, ports);
    if (given.aliases) {
        if (const std::string problem = ports::aliasDirectoryProblem(); !problem.empty())
            throw modlink::Failure(modlink::kExitPort, problem);
        for (const station::PluggedUnit& alias : station::pluggedAliases())
            if (std::ranges::find(ports, alias.port) == ports.end()) ports.push_back(alias.port);
        if (ports.empty())
            throw modlink::Failure(modlink::kExitPort,
                                   "no COM alias is plugged in " + ports::aliasDirectory());
    }
    station::refuseRepeatedPorts(ports, directory);
    return directory.resolve(ports);
}

void addMeshSurveyCommand(CLI::App& subcommand, CommandRun& run) {
    auto options = std::make_shared<MeshSurveyOptions>();
    CLI::App* survey = &subcommand;
    addMeshPortOptions(*survey, options->ports);
    survey->add_option("--profile", options->profilePath,
                       "the frequency, network id and life cycle every module must hold (TOML); "
                       "without it, the ones most modules hold");
    survey->add_flag("--dot", options->dot,
                     "print the map as Graphviz text (dot -Tsvg draws it) instead of the table");
    const auto check = [options](MainOptions& main) {
        if (main.common.json && options->dot)
            throw modlink::Failure(modlink::kExitUsage,
                                   "mesh survey: give --json or --dot, not both");
        checkMeshPorts(options->ports, main, "mesh survey");
    };
    const auto prepare = [options] {
        if (!options->profilePath.empty())
            options->expected =
                sharedSettingsOf(station::readProfile(options->profilePath).changes);
    };
    run.add(
        survey, kPortOptions, check,
        [options](const modlink::CommonOptions& common) { return surveyMesh(common, *options); },
        prepare, options);
}

}  // namespace cli
