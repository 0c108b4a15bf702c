#include "RemotePorts.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "PortNames.h"

namespace {

std::string configHome() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the XDG rules ask.
    const char* configured = std::getenv("XDG_CONFIG_HOME");
    if (configured != nullptr && configured[0] == '/') return configured;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

class TableReader {
  public:
    explicit TableReader(std::string path) : m_path(std::move(path)) {}

    RemotePortTable read() {
        std::error_code missing;
        if (!std::filesystem::exists(m_path, missing)) return {};
        toml::table file;
        try {
            file = toml::parse_file(m_path);
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
        for (const auto& [key, value] : *ports->as_table()) take(key, value);
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
        m_table.ports.push_back({*port, std::move(*parsed.address)});
    }

    std::string m_path;
    RemotePortTable m_table;
};

}  // namespace

const RemotePort* RemotePortTable::find(int port) const {
    const auto found = std::find_if(ports.begin(), ports.end(),
                                    [port](const RemotePort& entry) { return entry.port == port; });
    return found == ports.end() ? nullptr : &*found;
}

std::string remotePortsPath() {
    return configHome() + "/meshcfg/ports.toml";
}

RemotePortTable readRemotePorts(const std::string& path) {
    return TableReader(path).read();
}

std::optional<NetworkAddress> networkAddressOf(int port) {
    if (localHolder(port)) return std::nullopt;
    const RemotePortTable remote = readRemotePorts();
    const RemotePort* found = remote.find(port);
    if (!found) return std::nullopt;
    return found->address;
}
