#pragma once
// The ports a user names, read by one rule for every face (the command line's commands, the
// station, the Python module), so that each refuses the same names in the same words before
// anything is sent. "COMn-COMm" names the ports n to m; only exactly that form is a range,
// since device paths hold dashes. A port named twice, or reached through two names (two aliases
// of one terminal, an alias and its device), is refused: two runs on one port would both write
// to its module, or one would find the port in use.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ports {

class PortDirectory;

struct GivenPorts {
    std::vector<std::string> ports;  // as given, every range spelt out
    std::string problem;             // why they cannot be used; empty when they can
};

// From the words alone: a range spelt out, a name that can never be opened refused.
GivenPorts givenPorts(const std::vector<std::string>& names);

// Why no port of this name can ever be opened ("'COM0' is not COM1 to COM255", an address
// without its port); empty when one may.
std::string malformedPortName(std::string_view name);

// Why the ports cannot be worked on side by side: one named twice, or reached through two names
// as the directory resolves them. Empty when each port is named once.
std::string repeatedPort(const std::vector<std::string>& ports, const PortDirectory& directory);

// The first port that repeats one before it, so that a file can name the line that does.
struct RepeatedPort {
    std::size_t index = 0;
    std::string problem;
};
std::optional<RepeatedPort> firstRepeatedPort(const std::vector<std::string>& ports,
                                              const PortDirectory& directory);

}  // namespace ports
