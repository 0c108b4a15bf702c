// The ports of a gang: a port named twice, or reached through two of its names, is refused with
// a usage error before anything is sent to any of them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AliasedTerminals.h"
#include "UnitCommands.h"

namespace {

constexpr std::chrono::milliseconds kSilence{100};

// Names of the ports of AliasedTerminals.
struct GangPorts {
    const char* name;
    std::vector<std::string> ports;
    const char* refusal;  // nullptr: the gang runs
};

class RepeatedPorts : public testing::TestWithParam<GangPorts> {
  protected:
    std::size_t bytesSent() {
        return m_terminals.shared().readMaster(1, kSilence).size() +
               m_terminals.other().readMaster(1, kSilence).size();
    }

    AliasedTerminals m_terminals;
};

proto::SettingChanges wholeProfile() {
    proto::SettingChanges settings;
    settings.set("frequency", 434.0);
    settings.set("power", std::int64_t{5});
    settings.set("life_cycle", std::string("1h"));
    settings.set("network_id", std::int64_t{4660});
    settings.set("node_id", std::int64_t{258});
    settings.set("uart_baud", std::int64_t{9600});
    settings.set("uart_parity", std::string("NO"));
    return settings;
}

TEST_P(RepeatedPorts, AreRefusedBeforeAnythingIsSent) {
    modlink::CommonOptions common;
    common.timeoutMs = static_cast<int>(kSilence.count());
    station::StationOptions station;
    station.ports = m_terminals.named(GetParam().ports);
    station.nodeIds = station::NodeIdRange{1, 9};
    std::string refusal;
    modlink::ExitCode code = modlink::kExitDone;
    try {
        code = cli::applyProfile(common, wholeProfile(), station);
    } catch (const modlink::Failure& failure) {
        code = failure.code();
        refusal = failure.what();
    }
    if (GetParam().refusal) {
        EXPECT_EQ(code, modlink::kExitUsage);
        EXPECT_EQ(refusal, m_terminals.named(GetParam().refusal));
        EXPECT_EQ(bytesSent(), 0u);
    } else {
        // Nothing answers: each unit reads its module and waits in vain.
        EXPECT_EQ(code, modlink::kExitNoReply) << refusal;
        EXPECT_EQ(bytesSent(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    , RepeatedPorts,
    testing::Values(GangPorts{"sameNameTwice",
                              {"COM150", "COM150"},
                              "COM150 is named twice: name each port once"},
                    GangPorts{"aRangeAndAPortInIt",
                              {"COM151", "COM152", "COM152"},
                              "COM152 is named twice: name each port once"},
                    GangPorts{"twoAliasesOfOneTerminal",
                              {"COM152", "COM151", "COM150"},
                              "COM151 and COM150 are one port (TTY): name it once"},
                    GangPorts{"anAliasAndItsTerminal",
                              {"TTY", "COM150"},
                              "TTY and COM150 are one port (TTY): name it once"},
                    GangPorts{"twoPorts", {"COM150", "COM152"}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
