#include "LabMesh.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace sim {

const std::string_view kMeshFormatHelp =
    "Mesh file: one statement a line; '#' starts a comment; numbers are decimal.\n"
    "  local <node>                the module's own node id (default 1)\n"
    "  route <target> via <node>   a route entry: <target> is reached through route node <node>\n"
    "  empty                       an empty route entry (at most 40 entries in all)\n"
    "  hop <node> <linkvalue>      the next hop of the path, from the local node towards the\n"
    "                              target (at most 8); the link value 0-255 is shown negated\n"
    "  link <node> <node> <rate> <latency>\n"
    "                              the link between two nodes, both ways: the share 0-1 of\n"
    "                              hops over it that arrive, and the milliseconds a hop takes\n"
    "                              (links not named: rate 1, latency 0)\n"
    "Node ids are 0 to 65534 (65535 marks an empty slot).\n"
    "Data for a target goes hop by hop along its route: the route node of its entry, reached\n"
    "by that node's own entry in turn, a node without an entry being a neighbour. Each hop\n"
    "arrives at its link's rate; the confirmation comes after the latency of the hops tried.\n"
    "The path reply shows a link whose rate is below 1 weaker: its value moves towards 120\n"
    "in proportion to the loss.\n";

const std::string_view kDefaultMeshText =
    "local 1\n"
    "route 2 via 2\n"
    "route 3 via 2\n"
    "empty\n"
    "route 4 via 4\n"
    "route 5 via 4\n"
    "route 6 via 5\n"
    "empty\n"
    "route 8 via 7\n"
    "hop 4 52\n"
    "hop 5 67\n"
    "hop 6 81\n";

bool Mesh::contains(NodeId node) const {
    if (node == localNode) return true;
    const auto nodes = remoteNodes();
    return std::find(nodes.begin(), nodes.end(), node) != nodes.end();
}

std::vector<NodeId> Mesh::remoteNodes() const {
    std::vector<NodeId> nodes;
    const auto add = [&](NodeId node) {
        if (node != localNode && std::find(nodes.begin(), nodes.end(), node) == nodes.end()) {
            nodes.push_back(node);
        }
    };
    for (const auto& route : routes) {
        if (!route) continue;
        add(route->via);
        add(route->target);
    }
    for (const Hop& hop : path) add(hop.node);
    return nodes;
}

std::optional<std::vector<NodeId>> Mesh::routeTo(NodeId target) const {
    if (target == localNode) return std::vector<NodeId>{};
    if (!contains(target)) return std::nullopt;
    std::vector<NodeId> hops{target};
    for (;;) {
        const auto entry = std::find_if(routes.begin(), routes.end(), [&](const auto& route) {
            return route && route->target == hops.front();
        });
        if (entry == routes.end() || (*entry)->via == hops.front() || (*entry)->via == localNode) {
            return hops;
        }
        if (std::find(hops.begin(), hops.end(), (*entry)->via) != hops.end()) return std::nullopt;
        hops.insert(hops.begin(), (*entry)->via);
    }
}

Link Mesh::linkBetween(NodeId a, NodeId b) const {
    const auto link = std::find_if(links.begin(), links.end(),
                                   [&](const Link& candidate) { return candidate.joins(a, b); });
    return link != links.end() ? *link : Link{a, b};
}

namespace {

constexpr unsigned kMaxLatency = 60000;

template <typename Number>
std::optional<Number> readNumber(std::string_view text, Number max) {
    Number value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value >= 0) || value > max)
        return std::nullopt;
    return value;
}

// Reads one statement into the mesh; returns what is wrong with it, or nothing.
class StatementReader {
  public:
    explicit StatementReader(Mesh& mesh) : m_mesh(mesh) {}

    std::optional<std::string> read(const std::vector<std::string>& words) {
        const std::string& keyword = words[0];
        const std::size_t args = words.size() - 1;
        if (keyword == "local") {
            if (args != 1) return "expected: local <node>";
            if (m_localSeen) return "local node given twice";
            m_localSeen = true;
            return readNode(words[1], m_mesh.localNode);
        }
        if (keyword == "route") {
            if (args != 3 || words[2] != "via") return "expected: route <target> via <node>";
            RouteEntry entry;
            if (auto error = readNode(words[1], entry.target)) return error;
            if (auto error = readNode(words[3], entry.via)) return error;
            return addRoute(entry);
        }
        if (keyword == "empty") {
            if (args != 0) return "expected: empty";
            return addRoute(std::nullopt);
        }
        if (keyword == "hop") {
            if (args != 2) return "expected: hop <node> <linkvalue>";
            Hop hop;
            if (auto error = readNode(words[1], hop.node)) return error;
            const auto link = readNumber(words[2], 0xFFu);
            if (!link) return "link value '" + words[2] + "' is not a number from 0 to 255";
            hop.linkValue = static_cast<std::uint8_t>(*link);
            if (m_mesh.path.size() == proto::kPathSlots) return "more than 8 hops";
            m_mesh.path.push_back(hop);
            return std::nullopt;
        }
        if (keyword == "link") {
            if (args != 4) return "expected: link <node> <node> <rate> <latency>";
            return addLink(words);
        }
        return "unknown statement '" + keyword + "'";
    }

  private:
    static std::optional<std::string> readNode(const std::string& word, NodeId& node) {
        const auto value = readNumber(word, unsigned{proto::kEmptyNode - 1});
        if (!value) return "node id '" + word + "' is not a number from 0 to 65534";
        node = static_cast<NodeId>(*value);
        return std::nullopt;
    }

    std::optional<std::string> addRoute(std::optional<RouteEntry> entry) {
        if (m_mesh.routes.size() == proto::kRouteSlots) return "more than 40 route entries";
        m_mesh.routes.push_back(entry);
        return std::nullopt;
    }

    std::optional<std::string> addLink(const std::vector<std::string>& words) {
        Link link;
        if (auto error = readNode(words[1], link.from)) return error;
        if (auto error = readNode(words[2], link.to)) return error;
        const auto rate = readNumber(words[3], 1.0);
        if (!rate) return "delivery rate '" + words[3] + "' is not a number from 0 to 1";
        const auto latency = readNumber(words[4], kMaxLatency);
        if (!latency) return "latency '" + words[4] + "' is not a number from 0 to 60000";
        if (link.from == link.to) return "a link joins two different nodes";
        if (std::any_of(m_mesh.links.begin(), m_mesh.links.end(),
                        [&](const Link& other) { return other.joins(link.from, link.to); })) {
            return "link given twice";
        }
        link.deliveryRate = *rate;
        link.latency = std::chrono::milliseconds(*latency);
        m_mesh.links.push_back(link);
        return std::nullopt;
    }

    Mesh& m_mesh;
    bool m_localSeen = false;
};

std::vector<std::string> wordsOf(std::string line) {
    line = line.substr(0, line.find('#'));
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

}  // namespace

MeshParse parseMesh(std::istream& in) {
    MeshParse result;
    StatementReader reader(result.mesh);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const auto words = wordsOf(line);
        if (words.empty()) continue;
        if (auto error = reader.read(words)) {
            result.errors.push_back("line " + std::to_string(number) + ": " + *error);
        }
    }
    return result;
}

Mesh defaultMesh() {
    std::istringstream in{std::string(kDefaultMeshText)};
    return parseMesh(in).mesh;
}

}  // namespace sim
