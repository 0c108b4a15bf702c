#include "LabFile.h"

#include <toml++/toml.h>

#include <algorithm>

#include "ModuleModel.h"
#include "PortNames.h"
#include "RegularFiles.h"
#include "SettingChanges.h"

namespace sim {

const std::string_view kLabFormatHelp =
    "Lab file (--lab), TOML:\n"
    "  [[node]]             one table per module\n"
    "  id = 1               its node id, 0 to 65534\n"
    "  com = 200            its COM alias (default: the next free one from --com)\n"
    "  frequency = 434.0    setup values by a profile's names: frequency, power, life_cycle,\n"
    "                       network_id, uart_baud, uart_parity (default: as a single module)\n"
    "  powered = true       false: switched off, with no port and no radio\n"
    "  cable = \"plugged\"    \"pulled\": on the radio, but its port is gone\n"
    "  [[link]]             a radio link, the same both ways\n"
    "  nodes = [1, 2]\n"
    "  link_value = 52      0 to 255, shown negated; a lower value is a stronger link\n"
    "  delivery = 0.98      the share of hops over it that arrive (default 1)\n"
    "  latency_ms = 30      how long a hop over it takes (default 0)\n"
    "The file must be a regular file of at most 4 MiB.\n"
    "A lab prints one line per module, then one when all are served:\n"
    "  qz470-sim: COM200 -> /dev/pts/5 (node 1)\n"
    "  qz470-sim: COM203 -> switched-off (node 4)\n"
    "  qz470-sim: lab of 6 modules ready\n"
    "Each line of its request log starts with the node, as in 'node=1 request read-setup'.\n"
    "SIGHUP reads the links, powered and cable again (a file that does not read is refused\n"
    "and the lab runs on as it was); SIGUSR1 and SIGUSR2 pull and plug every cable. The\n"
    "radio rules are in qz470-sim(1).\n";

namespace {

constexpr std::int64_t kMaxLatencyMs = 60000;
constexpr std::int64_t kMaxLinkValue = 0xFF;
constexpr std::string_view kPlugged = "plugged";
constexpr std::string_view kPulled = "pulled";

struct Refusal {
    std::uint32_t line;
    std::string what;
};

std::uint32_t lineOf(const toml::node& node) {
    return node.source().begin.line;
}

Refusal refusal(const toml::node& node, std::string what) {
    return {lineOf(node), std::move(what)};
}

std::int64_t integerIn(const toml::node& node, std::string_view key, std::int64_t min,
                       std::int64_t max) {
    const auto* whole = node.as_integer();
    if (!whole || whole->get() < min || whole->get() > max) {
        throw refusal(node, "'" + std::string(key) + "' must be a whole number from " +
                                std::to_string(min) + " to " + std::to_string(max));
    }
    return whole->get();
}

NodeId nodeId(const toml::node& node, std::string_view key) {
    return static_cast<NodeId>(integerIn(node, key, 0, proto::kEmptyNode - 1));
}

const toml::node& required(const toml::table& table, std::string_view key) {
    const toml::node* node = table.get(key);
    if (!node) throw refusal(table, "'" + std::string(key) + "' is missing");
    return *node;
}

proto::SettingChanges::Value settingValue(const toml::node& node, std::string_view key) {
    if (const auto* whole = node.as_integer()) return whole->get();
    if (const auto* real = node.as_floating_point()) return real->get();
    if (const auto* text = node.as_string()) return text->get();
    throw refusal(node, "'" + std::string(key) + "' must be a number or a text");
}

bool isSetting(std::string_view key) {
    return key != "node_id" && std::find(proto::kSettingKeys.begin(), proto::kSettingKeys.end(),
                                         key) != proto::kSettingKeys.end();
}

const toml::array& tables(const toml::node& node, std::string_view key) {
    const auto* array = node.as_array();
    if (!array || !array->is_array_of_tables())
        throw refusal(node,
                      "give each " + std::string(key) + " as a [[" + std::string(key) + "]] table");
    return *array;
}

class PlanReader {
  public:
    LabPlan read(const toml::table& root) {
        for (const auto& [key, node] : root) {
            if (key == "node") {
                for (const toml::node& table : tables(node, "node")) readNode(*table.as_table());
            } else if (key == "link") {
                for (const toml::node& table : tables(node, "link")) readLink(*table.as_table());
            } else {
                throw refusal(node, "unknown key '" + std::string(key.str()) + "'");
            }
        }
        if (m_plan.nodes.empty()) throw Refusal{1, "the lab has no [[node]]"};
        for (std::size_t i = 0; i < m_plan.links.size(); ++i) checkLink(i);
        return std::move(m_plan);
    }

  private:
    void readNode(const toml::table& table) {
        LabNode node;
        node.id = nodeId(required(table, "id"), "id");
        if (findNode(node.id)) throw refusal(table, "node " + std::to_string(node.id) + " twice");
        proto::SettingChanges settings;
        for (const auto& [key, value] : table) {
            if (key == "id") continue;
            if (key == "com") {
                node.com =
                    static_cast<int>(integerIn(value, key, ports::kFirstPort, ports::kLastPort));
                if (comTaken(*node.com))
                    throw refusal(value, "COM" + std::to_string(*node.com) + " given twice");
            } else if (key == "powered") {
                const auto* flag = value.as_boolean();
                if (!flag) throw refusal(value, "'powered' must be true or false");
                node.powered = flag->get();
            } else if (key == "cable") {
                const auto text = value.value<std::string_view>();
                if (text != kPlugged && text != kPulled)
                    throw refusal(value, "'cable' must be \"plugged\" or \"pulled\"");
                node.plugged = text == kPlugged;
            } else if (isSetting(key)) {
                const std::string problem = settings.set(key, settingValue(value, key));
                if (!problem.empty()) throw refusal(value, problem);
            } else {
                throw refusal(value, "unknown key '" + std::string(key.str()) + "'");
            }
        }
        node.setup = startSetup(node.id);
        settings.applyTo(node.setup);
        m_plan.nodes.push_back(node);
    }

    void readLink(const toml::table& table) {
        LabLink link;
        const toml::node& nodes = required(table, "nodes");
        const auto* pair = nodes.as_array();
        if (!pair || pair->size() != 2)
            throw refusal(nodes, "'nodes' must name two nodes, such as [1, 2]");
        link.a = nodeId(*pair->get(0), "nodes");
        link.b = nodeId(*pair->get(1), "nodes");
        if (link.a == link.b) throw refusal(nodes, "a link joins two different nodes");
        link.linkValue = static_cast<std::uint8_t>(
            integerIn(required(table, "link_value"), "link_value", 0, kMaxLinkValue));
        for (const auto& [key, value] : table) {
            if (key == "nodes" || key == "link_value") continue;
            if (key == "delivery") {
                const auto rate = value.value<double>();
                if (!rate || !(*rate >= 0.0 && *rate <= 1.0))
                    throw refusal(value, "'delivery' must be a number from 0 to 1");
                link.delivery = *rate;
            } else if (key == "latency_ms") {
                link.latency = std::chrono::milliseconds(integerIn(value, key, 0, kMaxLatencyMs));
            } else {
                throw refusal(value, "unknown key '" + std::string(key.str()) + "'");
            }
        }
        m_plan.links.push_back(link);
        m_linkLines.push_back(lineOf(table));
    }

    // Links may come before the nodes they join, so they are checked once all are read.
    void checkLink(std::size_t index) {
        const LabLink& link = m_plan.links[index];
        const std::uint32_t line = m_linkLines[index];
        for (const NodeId id : {link.a, link.b})
            if (!findNode(id)) throw Refusal{line, "no node " + std::to_string(id) + " to link"};
        for (std::size_t other = 0; other < index; ++other) {
            const LabLink& earlier = m_plan.links[other];
            if ((earlier.a == link.a && earlier.b == link.b) ||
                (earlier.a == link.b && earlier.b == link.a))
                throw Refusal{line, "the link between " + std::to_string(link.a) + " and " +
                                        std::to_string(link.b) + " given twice"};
        }
    }

    bool findNode(NodeId id) const {
        return std::any_of(m_plan.nodes.begin(), m_plan.nodes.end(),
                           [id](const LabNode& node) { return node.id == id; });
    }

    bool comTaken(int com) const {
        return std::any_of(m_plan.nodes.begin(), m_plan.nodes.end(),
                           [com](const LabNode& node) { return node.com == com; });
    }

    LabPlan m_plan;
    std::vector<std::uint32_t> m_linkLines;
};

}  // namespace

LabRead parseLab(std::string_view text, const std::string& where) {
    try {
        const toml::table root = toml::parse(text, where);
        return {PlanReader().read(root), {}};
    } catch (const toml::parse_error& error) {
        return {std::nullopt, where + ":" + std::to_string(error.source().begin.line) + ": " +
                                  std::string(error.description())};
    } catch (const Refusal& refused) {
        return {std::nullopt, where + ":" + std::to_string(refused.line) + ": " + refused.what};
    }
}

LabRead readLab(const std::string& path) {
    // A folder, a FIFO or a device is refused before it is read, so nothing waits on it.
    const files::FileText file = files::readRegularFile(path, kMaxLabFileBytes);
    if (!file.text) return {std::nullopt, path + ": cannot be read: " + file.problem};
    return parseLab(*file.text, path);
}

}  // namespace sim
