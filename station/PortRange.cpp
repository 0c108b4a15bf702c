#include "PortRange.h"

#include <regex>

std::vector<std::string> expandPortRange(const std::string& name) {
    static const std::regex range(R"(COM([1-9][0-9]{0,2})-COM([1-9][0-9]{0,2}))");
    std::smatch match;
    if (!std::regex_match(name, match, range)) return {name};
    const int first = std::stoi(match[1]);
    const int last = std::stoi(match[2]);
    if (first > last) return {name};
    std::vector<std::string> ports;
    for (int n = first; n <= last; ++n) ports.push_back("COM" + std::to_string(n));
    return ports;
}
