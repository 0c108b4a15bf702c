#include "RemotePorts.h"

#include <toml++/toml.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "PortNames.h"
#include "RegularFiles.h"
#include "UserFolders.h"

namespace ports {

namespace {

// A few lines a port; a file far beyond is not a ports file, and is not parsed.
constexpr std::size_t kLargestFile = 1024 * 1024;

class TableReader {
  public:
    explicit TableReader(std::string path) : m_path(std::move(path)) {}

    RemotePortTable read() {
        const files::FileText text = files::readRegularFile(m_path, kLargestFile);
        if (text.absent) return {};
        if (!text.text) {
            m_table.problems.push_back(m_path + ": " + text.problem + "; no remote port is listed");
            return std::move(m_table);
        }
        toml::table file;
        try {
            file = toml::parse(*text.text, m_path);
        } catch (const toml::parse_error& error) {
            problem(error.source(),
                    std::string(error.description()) + "; no remote port is listed");
            return std::move(m_table);
        }
        const toml::node* ports = file.get("ports");
        if (ports == nullptr) return {};
        if (!ports->is_table()) {
            problem(ports->source(), "'ports' must be a table: [ports]");
            return std::move(m_table);
        }
        // In the file's order, so that of two names of one port the first is taken.
        std::vector<std::pair<const toml::key*, const toml::node*>> entries;
        for (const auto& [key, value] : *ports->as_table()) entries.emplace_back(&key, &value);
        std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return a.first->source().begin < b.first->source().begin;
        });
        for (const auto& [key, value] : entries) take(*key, *value);
        std::sort(m_table.ports.begin(), m_table.ports.end(),
                  [](const RemotePort& a, const RemotePort& b) { return a.port < b.port; });
        return std::move(m_table);
    }

  private:
    void problem(const toml::source_region& where, const std::string& what) {
        m_table.problems.push_back(m_path + ":" + std::to_string(where.begin.line) + ": " + what);
    }

    void take(const toml::key& key, const toml::node& value) {
        const std::string name(key.str());
        const std::optional<int> port = portNumberOf(name);
        if (!port) return problem(key.source(), "'" + name + "' is not COM1 to COM255");
        const auto* text = value.as_string();
        if (text == nullptr)
            return problem(value.source(),
                           name + " must be a text such as \"rfc2217://bench-3:3333\"");
        ParsedAddress parsed = parseNetworkAddress(text->get());
        if (!parsed.address) return problem(value.source(), name + ": " + parsed.error);
        if (const auto holder = localHolder(*port))
            return problem(key.source(),
                           name + " is already " + *holder + "; this entry is left out");
        if (const auto first = m_lines.find(*port); first != m_lines.end())
            return problem(key.source(), name + ": COM" + std::to_string(*port) +
                                             " is given on line " + std::to_string(first->second) +
                                             " already; this entry is left out");
        m_lines.emplace(*port, key.source().begin.line);
        m_table.ports.push_back({*port, std::move(*parsed.address)});
    }

    std::string m_path;
    RemotePortTable m_table;
    std::map<int, toml::source_index> m_lines;  // the line of each port taken
};

}  // namespace

const RemotePort* RemotePortTable::find(int port) const {
    const auto found = std::find_if(ports.begin(), ports.end(),
                                    [port](const RemotePort& entry) { return entry.port == port; });
    return found == ports.end() ? nullptr : &*found;
}

std::string remotePortsPath() {
    return files::configHome() + "/meshcfg/ports.toml";
}

RemotePortTable readRemotePorts(const std::string& path) {
    return TableReader(path).read();
}

}  // namespace ports
