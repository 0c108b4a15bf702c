#include "MeshExport.h"

#include <toml++/toml.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "MeshGraph.h"
#include "Settings.h"

namespace meshplan {

namespace {

struct ExportedModule {
    const mesh::SurveyedPort* port;
    const ModuleReach* reach;
    proto::Setup setup;
};

template <typename Value>
std::string tomlValueText(Value value) {
    std::ostringstream text;
    text << toml::value<Value>(std::move(value));
    return text.str();
}

// A setting's value as TOML writes it; every code is in its list by now.
std::string tomlText(const modlink::Json& value) {
    if (value.is_string()) return tomlValueText(value.get<std::string>());
    if (value.is_number_float()) return tomlValueText(value.get<double>());
    return value.dump();
}

std::vector<ExportedModule> modulesToExport(const mesh::Survey& survey,
                                            const std::vector<ModuleReach>& reaches) {
    std::vector<ExportedModule> modules;
    std::map<std::uint16_t, std::string> ports;  // node id -> the port holding it
    for (std::size_t i = 0; i < survey.size() && i < reaches.size(); ++i) {
        const auto* answers = std::get_if<mesh::ModuleAnswers>(&survey[i].outcome);
        if (!answers || !answers->setup) continue;
        const proto::Setup& setup = *answers->setup;
        const std::string& port = survey[i].port;
        if (const std::vector<std::string> unlisted = modlink::unlistedCodes(setup);
            !unlisted.empty())
            throw ExportRefusal(port + " holds " + unlisted.front() +
                                ", which no file can give: set it up first");
        if (setup.nodeId == proto::kEmptyNode)
            throw ExportRefusal(port + " holds node id 65535, which is no node: give it one first");
        if (const auto [first, added] = ports.try_emplace(setup.nodeId, port); !added)
            throw ExportRefusal(first->second + " and " + port + " both hold node id " +
                                std::to_string(setup.nodeId) + ": set them apart first");
        modules.push_back({&survey[i], &reaches[i], setup});
    }
    if (modules.empty()) throw ExportRefusal("no module answered: there is nothing to describe");
    return modules;
}

// Each setting but the node id as most modules hold it; a tie goes to the earliest module.
modlink::Json defaultsOf(const std::vector<ExportedModule>& modules) {
    modlink::Json defaults = modlink::Json::object();
    for (const proto::SetupKeyNames& names : proto::kSetupKeys) {
        if (names.key == proto::SetupKey::kNodeId) continue;
        std::vector<modlink::Json> values;
        for (const ExportedModule& module : modules)
            values.push_back(modlink::settingJson(module.setup, names.key));
        const auto most =
            std::ranges::max_element(values, [&](const modlink::Json& a, const modlink::Json& b) {
                return std::ranges::count(values, a) < std::ranges::count(values, b);
            });
        defaults[std::string(names.name)] = *most;
    }
    return defaults;
}

std::string moduleTable(const ExportedModule& module, const modlink::Json& defaults) {
    std::string text = "\n[[module]]\n";
    if (module.reach->adapterSerial.empty())
        text += "port = " + tomlValueText(module.reach->port) + "\n";
    else
        text += "adapter = " + tomlValueText(module.reach->adapterSerial) + "\n";
    // The node id first: it names the module.
    text += std::string(proto::setupKey(proto::SetupKey::kNodeId).name) + " = " +
            std::to_string(module.setup.nodeId) + "\n";
    const modlink::Json settings = modlink::settingsJson(module.setup);
    for (const auto& [key, value] : settings.items())
        if (defaults.contains(key) && defaults[key] != value)
            text += key + " = " + tomlText(value) + "\n";
    return text;
}

using NodePair = std::pair<std::uint16_t, std::uint16_t>;

// Every pair of named nodes an edge joins, with the weakest value a path read gave it.
std::map<NodePair, std::optional<int>> linksOf(const mesh::MeshGraph& graph,
                                               const std::set<std::uint16_t>& named) {
    std::map<NodePair, std::optional<int>> links;
    for (const mesh::MeshEdge& edge : graph.edges) {
        if (!named.contains(edge.from) || !named.contains(edge.to)) continue;
        std::optional<int>& value = links[std::minmax(edge.from, edge.to)];
        if (edge.linkValue) {
            const int shown = -static_cast<int>(*edge.linkValue);
            value = std::min(value.value_or(shown), shown);
        }
    }
    return links;
}

}  // namespace

std::string exportMesh(const mesh::Survey& survey, const std::vector<ModuleReach>& reaches) {
    const std::vector<ExportedModule> modules = modulesToExport(survey, reaches);
    const modlink::Json defaults = defaultsOf(modules);
    std::string text =
        "# The mesh as its modules were read: meshcfg-cli mesh plan, apply and verify take it.\n"
        "\n[defaults]\n";
    for (const auto& [key, value] : defaults.items()) text += key + " = " + tomlText(value) + "\n";
    std::set<std::uint16_t> named;
    for (const ExportedModule& module : modules) {
        text += moduleTable(module, defaults);
        named.insert(module.setup.nodeId);
    }
    const mesh::MeshGraph graph = mesh::buildGraph(survey);
    std::string heard;
    for (const mesh::MeshNode& node : graph.nodes)
        if (!node.reachedBy.empty()) {
            heard += (heard.empty() ? "" : ", ") + std::to_string(node.id);
            named.insert(node.id);
        }
    if (!heard.empty()) text += "\n[expect]\nnodes = [" + heard + "]\n";
    for (const auto& [pair, value] : linksOf(graph, named)) {
        text += "\n[[expect.link]]\nnodes = [" + std::to_string(pair.first) + ", " +
                std::to_string(pair.second) + "]\n";
        if (value)
            text += "# min_link_value = " + std::to_string(*value) + "  (its value when read)\n";
    }
    return text;
}

}  // namespace meshplan
