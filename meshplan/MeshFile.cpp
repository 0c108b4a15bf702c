#include "MeshFile.h"

#include <algorithm>
#include <map>
#include <set>

#include "GivenPorts.h"
#include "Messages.h"
#include "PortDirectory.h"
#include "RegularFiles.h"
#include "TomlSettings.h"

namespace meshplan {

namespace {

struct MeshFileRefusal {
    int line;
    std::string what;
};

MeshFileRefusal refusalAt(const toml::node& node, std::string what) {
    return {lineOf(node), std::move(what)};
}

std::string quoted(std::string_view key) {
    return "'" + std::string(key) + "'";
}

const toml::table& tableOf(const toml::node& node, std::string_view name) {
    const auto* table = node.as_table();
    if (!table)
        throw refusalAt(node,
                        "give " + std::string(name) + " as a [" + std::string(name) + "] table");
    return *table;
}

const toml::array& tablesOf(const toml::node& node, std::string_view name) {
    const auto* array = node.as_array();
    if (!array || !array->is_array_of_tables())
        throw refusalAt(
            node, "give each " + std::string(name) + " as a [[" + std::string(name) + "]] table");
    return *array;
}

std::int64_t wholeIn(const toml::node& node, std::string_view key, std::int64_t min,
                     std::int64_t max) {
    const auto whole = decimalWhole(node);
    if (!whole || *whole < min || *whole > max)
        throw refusalAt(node, quoted(key) + " must be a decimal whole number from " +
                                  std::to_string(min) + " to " + std::to_string(max));
    return *whole;
}

std::uint16_t nodeIdAt(const toml::node& node, std::string_view key) {
    return static_cast<std::uint16_t>(wholeIn(node, key, 0, proto::kEmptyNode - 1));
}

std::string textAt(const toml::node& node, std::string_view key) {
    const auto* text = node.as_string();
    if (!text || text->get().empty())
        throw refusalAt(node, quoted(key) + " must be a text, such as \"COM171\"");
    return text->get();
}

std::string unknownKey(std::string_view key, std::string_view known) {
    return "unknown key " + quoted(key) + " (" + std::string(known) + ")";
}

std::string settingKeysText() {
    std::string text;
    for (const std::string_view key : proto::kSettingKeys)
        text += (text.empty() ? "" : ", ") + std::string(key);
    return text;
}

// A setting of the seven under its script name; any other key is refused by name first, whatever
// its value.
void takeFileSetting(proto::SettingChanges& settings, const toml::key& key, const toml::node& value,
                     std::string_view others) {
    if (!proto::setupKeyNamed(key.str()))
        throw refusalAt(value, unknownKey(key.str(), std::string(others) + settingKeysText()));
    if (const std::string problem = takeSetting(settings, key.str(), value); !problem.empty())
        throw refusalAt(value, problem);
}

class MeshFileReader {
  public:
    explicit MeshFileReader(MeshFile& file) : m_file(file) {}

    void read(const toml::table& root) {
        // Defaults first, wherever they stand: each module's settings go on top of them.
        if (const toml::node* defaults = root.get("defaults")) readDefaults(*defaults);
        for (const auto& [key, node] : root) {
            if (key == "defaults") continue;
            if (key == "module")
                for (const toml::node& table : tablesOf(node, "module"))
                    readModule(*table.as_table());
            else if (key == "expect")
                readExpectations(tableOf(node, "expect"));
            else
                throw refusalAt(node, unknownKey(key.str(), "defaults, module, expect"));
        }
        if (m_file.modules.empty())
            throw MeshFileRefusal{1, "no [[module]]: name each module the file sets up"};
        for (const ExpectedLink& link : m_file.links) checkLink(link);
    }

  private:
    void readDefaults(const toml::node& node) {
        for (const auto& [key, value] : tableOf(node, "defaults"))
            takeFileSetting(m_defaults, key, value, "");
    }

    void readModule(const toml::table& table) {
        FileModule module{{}, m_defaults, 0, lineOf(table)};
        for (const auto& [key, value] : table) {
            if (key == "port") {
                module.reach.port = textAt(value, key.str());
                if (const std::string problem = ports::malformedPortName(module.reach.port);
                    !problem.empty())
                    throw refusalAt(value, problem);
            } else if (key == "adapter") {
                module.reach.adapterSerial = textAt(value, key.str());
            } else {
                takeFileSetting(module.settings, key, value, "port, adapter, ");
            }
        }
        const bool byPort = !module.reach.port.empty();
        if (byPort == !module.reach.adapterSerial.empty())
            throw refusalAt(table, byPort ? "give port or adapter, not both"
                                          : "give the module's port = \"COMn\" or its "
                                            "adapter = \"USB serial\"");
        const auto nodeId = module.settings.givenNodeId();
        if (!nodeId) throw refusalAt(table, "give the module's node_id");
        module.nodeId = *nodeId;
        if (const auto [first, added] = m_nodeLines.try_emplace(*nodeId, module.line); !added)
            throw refusalAt(table, "node id " + std::to_string(*nodeId) + " twice (line " +
                                       std::to_string(first->second) + " gives it too)");
        if (!module.reach.adapterSerial.empty())
            if (const auto [first, added] =
                    m_adapterLines.try_emplace(module.reach.adapterSerial, module.line);
                !added)
                throw refusalAt(table, "adapter '" + module.reach.adapterSerial + "' twice (line " +
                                           std::to_string(first->second) + " names it too)");
        m_file.modules.push_back(std::move(module));
    }

    void readExpectations(const toml::table& expect) {
        for (const auto& [key, node] : expect) {
            if (key == "nodes")
                readHeardNodes(node);
            else if (key == "link")
                for (const toml::node& table : tablesOf(node, "expect.link"))
                    readLink(*table.as_table());
            else
                throw refusalAt(node, unknownKey(key.str(), "nodes, link"));
        }
    }

    void readHeardNodes(const toml::node& node) {
        const auto* nodes = node.as_array();
        if (!nodes) throw refusalAt(node, "'nodes' must list node ids, such as [7, 8]");
        for (const toml::node& id : *nodes) {
            const std::uint16_t heard = nodeIdAt(id, "nodes");
            if (std::ranges::find(m_file.heardNodes, heard) != m_file.heardNodes.end())
                throw refusalAt(id, "node " + std::to_string(heard) + " twice in 'nodes'");
            m_file.heardNodes.push_back(heard);
        }
    }

    void readLink(const toml::table& table) {
        ExpectedLink link;
        link.line = lineOf(table);
        const toml::node* nodes = table.get("nodes");
        const auto* pair = nodes ? nodes->as_array() : nullptr;
        if (!pair || pair->size() != 2)
            throw refusalAt(nodes ? *nodes : static_cast<const toml::node&>(table),
                            "give the link's two nodes, such as nodes = [21, 22]");
        link.a = nodeIdAt(*pair->get(0), "nodes");
        link.b = nodeIdAt(*pair->get(1), "nodes");
        if (link.a == link.b) throw refusalAt(*nodes, "a link joins two different nodes");
        for (const auto& [key, value] : table) {
            if (key == "nodes") continue;
            if (key != "min_link_value")
                throw refusalAt(value, unknownKey(key.str(), "nodes, min_link_value"));
            link.minLinkValue = static_cast<int>(wholeIn(value, key.str(), kWeakestLinkValue, 0));
        }
        const auto pairKey = std::minmax(link.a, link.b);
        if (const auto [first, added] = m_linkLines.try_emplace(pairKey, link.line); !added)
            throw refusalAt(table, "the link " + std::to_string(pairKey.first) + "-" +
                                       std::to_string(pairKey.second) + " twice (line " +
                                       std::to_string(first->second) + " gives it too)");
        m_file.links.push_back(link);
    }

    // Links may stand before the modules that name their nodes.
    void checkLink(const ExpectedLink& link) const {
        for (const std::uint16_t node : {link.a, link.b})
            if (!m_nodeLines.contains(node) &&
                std::ranges::find(m_file.heardNodes, node) == m_file.heardNodes.end())
                throw MeshFileRefusal{link.line, "the link names node " + std::to_string(node) +
                                                     ", which no [[module]] is and [expect] "
                                                     "nodes does not list"};
    }

    MeshFile& m_file;
    proto::SettingChanges m_defaults;
    std::map<std::uint16_t, int> m_nodeLines;
    std::map<std::string, int> m_adapterLines;
    std::map<std::pair<std::uint16_t, std::uint16_t>, int> m_linkLines;
};

MeshFileError errorAt(const std::string& path, int line, const std::string& what) {
    return MeshFileError(path + ":" + std::to_string(line) + ": " + what);
}

}  // namespace

MeshFile parseMeshFile(const std::string& path, std::string text) {
    MeshFile file{path, std::move(text), {}, {}, {}};
    try {
        const toml::table root = toml::parse(file.text, path);
        MeshFileReader(file).read(root);
    } catch (const toml::parse_error& error) {
        throw errorAt(path, static_cast<int>(error.source().begin.line),
                      std::string(error.description()));
    } catch (const MeshFileRefusal& refused) {
        throw errorAt(path, refused.line, refused.what);
    }
    return file;
}

MeshFile readMeshFile(const std::string& path, const ports::PortDirectory& directory) {
    files::FileText read = files::readRegularFile(path, kLargestMeshFile);
    if (!read.text) throw MeshFileError(path + ": not a mesh file: " + read.problem);
    MeshFile file = parseMeshFile(path, std::move(*read.text));
    std::vector<std::string> ports;
    std::vector<int> lines;
    for (const FileModule& module : file.modules)
        if (!module.reach.port.empty()) {
            ports.push_back(module.reach.port);
            lines.push_back(module.line);
        }
    if (const auto repeated = ports::firstRepeatedPort(ports, directory))
        throw errorAt(path, lines[repeated->index], repeated->problem);
    return file;
}

}  // namespace meshplan
