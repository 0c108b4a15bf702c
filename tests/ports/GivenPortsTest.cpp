// The one rule every face reads the ports it is given by: ranges spelt out, names that can never
// be opened, and a port named twice or reached through two names, each refused in its words.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AliasedTerminals.h"
#include "GivenPorts.h"
#include "PortDirectory.h"

namespace {

// Names of the ports of AliasedTerminals.
struct GivenCase {
    const char* name;
    std::vector<std::string> names;
    std::vector<std::string> ports;  // what the names stand for when they are taken
    std::string refusal;             // empty: taken
};

void PrintTo(const GivenCase& row, std::ostream* out) {
    *out << row.name;
}

class GivenPortsRead : public testing::TestWithParam<GivenCase> {
  protected:
    AliasedTerminals m_terminals;
};

TEST_P(GivenPortsRead, TakesOrRefusesInOneWording) {
    const ports::GivenPorts given = ports::givenPorts(m_terminals.named(GetParam().names));
    const std::string refusal =
        given.problem.empty()
            ? ports::repeatedPort(given.ports, ports::PortDirectory(ports::RemotePortTable{}))
            : given.problem;
    EXPECT_EQ(refusal, m_terminals.named(GetParam().refusal));
    if (GetParam().refusal.empty()) {
        EXPECT_EQ(given.ports, m_terminals.named(GetParam().ports));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, GivenPortsRead,
    testing::Values(
        GivenCase{"twoPorts", {"COM150", "COM152"}, {"COM150", "COM152"}, ""},
        GivenCase{"aTerminalAndAnotherAlias", {"TTY", "COM152"}, {"TTY", "COM152"}, ""},
        GivenCase{"aRange", {"COM33-COM35"}, {"COM33", "COM34", "COM35"}, ""},
        GivenCase{"aRangeOfOne", {"COM7-COM7"}, {"COM7"}, ""},
        GivenCase{"aRangeWithNoughts", {"COM033-COM034"}, {"COM33", "COM34"}, ""},
        // Only exactly COMn-COMm is a range: device paths hold dashes.
        GivenCase{"notRanges",
                  {"com33-com35", "COM33-35", "/dev/serial/by-id/usb-FTDI-if00",
                   "rfc2217://bench-3:3333"},
                  {"com33-com35", "COM33-35", "/dev/serial/by-id/usb-FTDI-if00",
                   "rfc2217://bench-3:3333"},
                  ""},
        GivenCase{"samePortTwice",
                  {"COM150", "COM150"},
                  {},
                  "COM150 is named twice: name each port once"},
        GivenCase{"aRangeAndAPortInIt",
                  {"COM151-COM152", "COM152"},
                  {},
                  "COM152 is named twice: name each port once"},
        GivenCase{"twoAliasesOfOneTerminal",
                  {"COM152", "COM151", "COM150"},
                  {},
                  "COM151 and COM150 are one port (TTY): name it once"},
        GivenCase{"anAliasAndItsTerminal",
                  {"TTY", "COM150"},
                  {},
                  "TTY and COM150 are one port (TTY): name it once"},
        GivenCase{"aRangeBackwards",
                  {"COM35-COM33"},
                  {},
                  "'COM35-COM33' is not a range: give COMn-COMm, first to last, within COM1 to "
                  "COM255"},
        GivenCase{"aRangePastTheLastPort",
                  {"COM250-COM300"},
                  {},
                  "'COM250-COM300' is not a range: give COMn-COMm, first to last, within COM1 "
                  "to COM255"},
        GivenCase{"noComNought", {"COM1", "COM0"}, {}, "'COM0' is not COM1 to COM255"},
        GivenCase{"noCom256", {"COM256"}, {}, "'COM256' is not COM1 to COM255"},
        GivenCase{"anAddressWithoutItsPort", {"tcp://bench-3"}, {}, "'tcp://bench-3' has no :PORT"},
        GivenCase{"anAddressPastThePorts",
                  {"rfc2217://bench-3:99999"},
                  {},
                  "'rfc2217://bench-3:99999' has no TCP port from 1 to 65535 after the host"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
