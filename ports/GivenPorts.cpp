#include "GivenPorts.h"

#include <filesystem>
#include <map>
#include <regex>
#include <system_error>

#include "NetworkAddress.h"
#include "PortDirectory.h"
#include "PortNames.h"

namespace ports {

namespace {

// The device or address behind a port name, so that two names of one port are seen as one.
std::string portItself(const PortDirectory& directory, const std::string& name) {
    const PortTarget target = directory.resolve(name);
    if (!target.url.empty()) return target.url;
    if (target.path.empty()) return target.name;  // a COM name that maps to no device
    std::error_code error;
    const std::filesystem::path device = std::filesystem::weakly_canonical(target.path, error);
    return error ? target.path : device.string();
}

// Appends the ports the name stands for; false when it is a range that names none.
bool spellOut(const std::string& name, std::vector<std::string>& ports) {
    static const std::regex range(R"((COM[0-9]+)-(COM[0-9]+))");
    std::smatch match;
    if (!std::regex_match(name, match, range)) {
        ports.push_back(name);
        return true;
    }
    const auto first = portNumberOf(match.str(1));
    const auto last = portNumberOf(match.str(2));
    if (!first || !last || *first > *last) return false;
    for (int port = *first; port <= *last; ++port) ports.push_back(portName(port));
    return true;
}

}  // namespace

GivenPorts givenPorts(const std::vector<std::string>& names) {
    GivenPorts given;
    for (const std::string& name : names) {
        if (!spellOut(name, given.ports))
            return {{},
                    "'" + name +
                        "' is not a range: give COMn-COMm, first to last, within COM1 "
                        "to COM255"};
    }
    for (const std::string& port : given.ports) {
        if (std::string problem = malformedPortName(port); !problem.empty())
            return {{}, std::move(problem)};
    }
    return given;
}

std::string malformedPortName(std::string_view name) {
    if (looksLikeNetworkAddress(name)) return parseNetworkAddress(name).error;
    if (looksLikeComName(name) && !portNumberOf(name))
        return "'" + std::string(name) + "' is not COM1 to COM255";
    return {};
}

std::string repeatedPort(const std::vector<std::string>& ports, const PortDirectory& directory) {
    std::optional<RepeatedPort> repeated = firstRepeatedPort(ports, directory);
    return repeated ? std::move(repeated->problem) : std::string();
}

std::optional<RepeatedPort> firstRepeatedPort(const std::vector<std::string>& ports,
                                              const PortDirectory& directory) {
    std::map<std::string, std::string> named;  // the port itself -> the first name given it
    for (std::size_t index = 0; index < ports.size(); ++index) {
        const std::string& port = ports[index];
        const std::string itself = portItself(directory, port);
        const auto [first, added] = named.try_emplace(itself, port);
        if (added) continue;
        if (first->second == port)
            return RepeatedPort{index, port + " is named twice: name each port once"};
        return RepeatedPort{
            index, first->second + " and " + port + " are one port (" + itself + "): name it once"};
    }
    return std::nullopt;
}

}  // namespace ports
