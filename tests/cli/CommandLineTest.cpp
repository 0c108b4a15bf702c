// The command line read without running anything: every refused word ends with exit 2 before a
// port is opened, and numbers are read as decimal whatever their leading zeros.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "MeshSurveyCommand.h"
#include "MeshTestPlan.h"
#include "ParseArguments.h"
#include "RawCommand.h"
#include "ScopedRuntimeDir.h"
#include "SendRequest.h"
#include "UnitCommands.h"

namespace {

// The word PROFILE in the arguments stands for a file holding profile, DIR for a folder, FIFO
// for a named pipe with no writer and DANGLING for a link to a file in a folder that is not.
struct Refused {
    const char* name;
    std::vector<std::string> arguments;
    const char* message;  // a part of the one error line
    const char* profile = "";
};

class RefusedCommandLine : public testing::TestWithParam<Refused> {
  protected:
    std::vector<std::string> arguments() const {
        std::vector<std::string> arguments = GetParam().arguments;
        for (std::string& argument : arguments) {
            if (argument == "DIR") argument = m_folder.path();
            if (argument == "FIFO") {
                argument = m_folder.path() + "/fifo";
                ::mkfifo(argument.c_str(), 0600);
            }
            if (argument == "DANGLING") {
                argument = m_folder.path() + "/dangling.csv";
                ::symlink((m_folder.path() + "/none/report.csv").c_str(), argument.c_str());
            }
            if (argument != "PROFILE") continue;
            argument = m_folder.path() + "/profile.toml";
            std::ofstream(argument) << GetParam().profile;
        }
        return arguments;
    }

  private:
    ScopedRuntimeDir m_folder;
};

TEST_P(RefusedCommandLine, endsWithUsageAndNothingToRun) {
    const cli::ParsedCommandLine parsed = parse(arguments());
    EXPECT_FALSE(parsed.run.has_value());
    EXPECT_EQ(parsed.exitCode, modlink::kExitUsage);
    EXPECT_NE(parsed.error.find(GetParam().message), std::string::npos) << parsed.error;
    EXPECT_EQ(parsed.error.find("meshcfg-cli: "), 0u) << parsed.error;
    EXPECT_EQ(std::count(parsed.error.begin(), parsed.error.end(), '\n'), 1) << parsed.error;
}

constexpr const char* kWholeProfile =
    "frequency = 434.0\npower = 5\nlife_cycle = \"1h\"\nnetwork_id = 4660\nnode_id = 258\n"
    "uart_baud = 115200\nuart_parity = \"EVEN\"\n";

const Refused kRefused[] = {
    {"hexNodeId",
     {"-p", "COM1", "write", "--node-id", "0x1234"},
     "'0x1234' is not a valid node_id"},
    {"hexNetworkId", {"-p", "COM1", "write", "--network-id", "0x1234"}, "not a valid network_id"},
    {"exponentNodeId", {"-p", "COM1", "write", "--node-id", "1e3"}, "not a valid node_id"},
    {"suffixedNodeId", {"-p", "COM1", "write", "--node-id", "4k"}, "not a valid node_id"},
    {"negativeNodeId", {"-p", "COM1", "write", "--node-id", "-1"}, "not a valid node_id"},
    {"nodeIdTooLarge", {"-p", "COM1", "write", "--node-id", "65536"}, "give 0 to 65534"},
    {"nodeIdNoNode", {"-p", "COM1", "write", "--node-id", "65535"}, "give 0 to 65534"},
    {"nodeIdsEndAtNoNode",
     {"-p", "COM1", "apply", "PROFILE", "--node-ids", "65530..65535"},
     "below 65535",
     kWholeProfile},
    {"profileNoNode",
     {"-p", "COM1", "apply", "PROFILE"},
     ":1: 65535 is not a valid node_id",
     "node_id = 65535\n"},
    {"portAddressWithoutPort", {"-p", "tcp://bench-3", "read"}, "'tcp://bench-3' has no :PORT"},
    {"portAddressBeyondTcpPorts",
     {"-p", "rfc2217://bench-3:99999", "read"},
     "has no TCP port from 1 to 65535"},
    {"portAddressInAGang",
     {"-p", "COM1", "-p", "tcp://:4001", "apply", "PROFILE", "--node-ids", "1..9"},
     "'tcp://:4001' has no host",
     kWholeProfile},
    {"comZero", {"-p", "COM0", "read"}, "'COM0' is not COM1 to COM255"},
    {"comBeyondTheLast", {"-p", "COM256", "read"}, "'COM256' is not COM1 to COM255"},
    {"profileFifo",
     {"-p", "COM1", "apply", "FIFO"},
     "/fifo: not a profile file: not a regular file"},
    {"profileDevice",
     {"-p", "COM1", "apply", "/dev/zero"},
     "not a profile file: not a regular file"},
    {"reportDanglingLink",
     {"-p", "COM1", "apply", "PROFILE", "--report", "DANGLING"},
     "dangling.csv: cannot be written: no folder ",
     kWholeProfile},
    {"idFileDanglingLink",
     {"-p", "COM1", "apply", "PROFILE", "--node-ids", "1..9", "--id-file", "DANGLING"},
     "dangling.csv: cannot be written: no folder ",
     kWholeProfile},
    {"nodeIdBeyondAnyInteger",
     {"-p", "COM1", "write", "--node-id", "99999999999999999999999"},
     "not a valid node_id"},
    {"hexPower", {"-p", "COM1", "write", "--power", "0x3"}, "not a valid power"},
    {"nanFrequency", {"-p", "COM1", "write", "--frequency", "nan"}, "not a valid frequency"},
    {"infiniteFrequency", {"-p", "COM1", "write", "--frequency", "inf"}, "not a valid frequency"},
    {"exponentFrequency",
     {"-p", "COM1", "write", "--frequency", "4.34e2"},
     "not a valid frequency"},
    {"zeroFrequency", {"-p", "COM1", "write", "--frequency", "0"}, "not a valid frequency"},
    {"frequencyBeyondTheRegister",
     {"-p", "COM1", "write", "--frequency", "1024"},
     "not a valid frequency"},
    {"uartRateNotListed", {"-p", "COM1", "write", "--uart-baud", "14400"}, "not a valid uart_baud"},
    {"uartRateThatWrapsToAListedOne",
     {"-p", "COM1", "write", "--uart-baud", "4294976896"},
     "not a valid uart_baud"},
    {"portRateNotListed", {"-p", "COM1", "--baud", "14400", "read"}, "1200, 2400, 4800, 9600"},
    {"portRateThatWrapsToAListedOne",
     {"-p", "COM1", "--baud", "4294976896", "read"},
     "not a rate the port takes"},
    {"octalLookingHexTarget",
     {"-p", "COM1", "send", "--target", "0x10", "--data", "01"},
     "'0x10' is not a decimal number"},
    {"jumpOutOfRange",
     {"-p", "COM1", "send", "--target", "1", "--jump", "8", "--data", "01"},
     "from 1 to 7"},
    {"suffixedCount",
     {"-p", "COM1", "send", "--target", "1", "--data", "01", "--count", "4k"},
     "'4k' is not a decimal number"},
    {"negativeInterval",
     {"-p", "COM1", "send", "--target", "1", "--data", "01", "--interval", "-5"},
     "--interval"},
    {"exponentTimeout", {"-p", "COM1", "--timeout", "1e3", "read"}, "'1e3' is not a decimal"},
    {"parityUnknown", {"-p", "COM1", "--parity", "MARK", "read"}, "--parity"},
    {"writeWithoutSettings", {"-p", "COM1", "write"}, "give at least one setting"},
    {"noPort", {"read"}, "give the port with -p"},
    {"profileFolder", {"-p", "COM1", "apply", "DIR"}, "not a profile file"},
    {"profileAbsent", {"-p", "COM1", "apply", "DIR/none.toml"}, "not a profile file"},
    {"profileEmpty",
     {"-p", "COM1", "apply", "PROFILE"},
     "no frequency, power, life_cycle, network_id, node_id, uart_baud, uart_parity"},
    {"profileIncomplete",
     {"-p", "COM1", "apply", "PROFILE", "--node-id", "7"},
     "no life_cycle, uart_parity: a profile with the options gives all seven",
     "frequency = 434.0\npower = 5\nnetwork_id = 1\nuart_baud = 9600\n"},
    {"profileHexInteger",
     {"-p", "COM1", "apply", "PROFILE"},
     ":2: 'network_id' must be a decimal number",
     "power = 5\nnetwork_id = 0x1234\n"},
    {"profileOctalInteger",
     {"-p", "COM1", "apply", "PROFILE"},
     ":1: 'node_id' must be a decimal",
     "node_id = 0o42\n"},
    {"profileBinaryInteger",
     {"-p", "COM1", "apply", "PROFILE"},
     ":1: 'power' must be a decimal",
     "power = 0b11\n"},
    {"profileLeadingZero", {"-p", "COM1", "apply", "PROFILE"}, ":1: ", "node_id = 0042\n"},
    {"profileNanFrequency",
     {"-p", "COM1", "apply", "PROFILE"},
     ":1: nan is not a valid frequency",
     "frequency = nan\n"},
    {"profileInfiniteFrequency",
     {"-p", "COM1", "apply", "PROFILE"},
     ":1: -inf is not a valid frequency",
     "frequency = -inf\n"},
    {"profileFrequencyBelowTheRegister",
     {"-p", "COM1", "apply", "PROFILE"},
     ":1: 1e-300 is not a valid frequency",
     "frequency = 1e-300\n"},
    {"profileRateThatWrapsToAListedOne",
     {"-p", "COM1", "apply", "PROFILE"},
     ":1: 4294976896 is not a valid uart_baud",
     "uart_baud = 4294976896\n"},
    {"profileUnknownKey",
     {"-p", "COM1", "apply", "PROFILE"},
     ":2: unknown key 'powr'",
     "power = 3\npowr = 5\n"},
    {"reportFolder",
     {"-p", "COM1", "apply", "PROFILE", "--report", "DIR"},
     "cannot be written: a folder, not a file",
     kWholeProfile},
    {"reportInNoFolder",
     {"-p", "COM1", "apply", "PROFILE", "--report", "DIR/none/report.csv"},
     "/none/report.csv: cannot be written: no folder ",
     kWholeProfile},
    {"saveFolder", {"-p", "COM1", "read", "--save", "DIR"}, "cannot be written: a folder"},
    {"meshTestOnePort", {"-p", "COM200", "mesh", "test", "--count", "5"}, "at least two ports"},
    {"meshTestNoEnd", {"-p", "COM200-COM201", "mesh", "test"}, "give --count, --duration"},
    {"meshTestPairOutside",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--pairs", "COM200:COM202"},
     "COM202 is not one of the ports given"},
    {"meshTestPairToItself",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--pairs", "COM200:COM200"},
     "COM200:COM200 sends to itself"},
    {"meshTestPairTwice",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--pairs",
      "COM200:COM201,COM200:COM201"},
     "is named twice"},
    {"meshTestPairHalf",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--pairs", "COM200"},
     "'COM200' is not FROM:TO"},
    {"meshTestDurationUnit",
     {"-p", "COM200-COM201", "mesh", "test", "--duration", "8x"},
     "--duration '8x' is not a number"},
    {"meshTestSizeTooLarge",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--size", "4000"},
     "--size 4000: a send holds 16 to "},
    {"meshTestSizeBelowTag",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--size", "3"},
     "--size 3: a send holds 16 to "},
    {"meshTestRelaysWithoutSource",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--relays", "0005"},
     "--relays needs --route-mode source"},
    {"meshTestAliasesAndPorts",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--aliases"},
     "give the ports with -p COMn-COMm or --aliases"},
    {"meshTestDurationZero",
     {"-p", "COM200-COM201", "mesh", "test", "--duration", "0s"},
     "--duration '0s' ends the test before it starts"},
    {"meshTestDurationZeroDays",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--duration", "0d"},
     "give a longer time, such as 90s"},
    {"meshTestDurationNegative",
     {"-p", "COM200-COM201", "mesh", "test", "--duration", "-5s"},
     "--duration '-5s' is not a number"},
    {"meshTestMinDeliveryNan",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--min-delivery", "nan"},
     "'nan' is not a share from 0 to 1"},
    {"meshTestMinDeliveryInfinite",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--min-delivery", "inf"},
     "'inf' is not a share"},
    {"meshTestMinDeliveryPercent",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--min-delivery", "95"},
     "'95' is not a share"},
    {"meshTestMinDeliveryNegative",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--min-delivery", "-0.1"},
     "'-0.1' is not a share"},
    {"meshTestCountZero",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "0"},
     "--count: '0' is not a decimal number from 1"},
    {"meshTestIntervalZero",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--interval", "0"},
     "--interval: '0' is not a decimal"},
    {"meshTestJumpEight",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--jump", "8"},
     "--jump: '8' is not a decimal number"},
    {"meshTestRouteModeUnknown",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--route-mode", "fastest"},
     "--route-mode"},
    {"meshTestRelaysNotHex",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--route-mode", "source", "--relays",
      "00G5"},
     "00G5"},
    {"meshTestPatienceZero",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--patience", "0"},
     "--patience: '0' is not a decimal"},
    {"meshTestTimeoutZero",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--timeout", "0"},
     "--timeout: '0' is not a decimal"},
    {"profileBadOverride",
     {"-p", "COM1", "apply", "PROFILE", "--node-id", "0x7"},
     "'0x7' is not a valid node_id",
     ""},
    {"meshWithoutItsCommand", {"-p", "COM1", "mesh"}, "A subcommand is required"},
    {"meshSurveyWithoutPorts", {"mesh", "survey"}, "mesh survey: give the ports with -p"},
    {"meshSurveyJsonAndDot",
     {"-p", "COM1", "mesh", "survey", "--json", "--dot"},
     "give --json or --dot, not both"},
    {"meshSurveyBadAdapter", {"mesh", "survey", "--adapter", "10c4"}, "is not VID:PID"},
    {"meshSurveyPortBeyondTheList",
     {"-p", "COM200-COM201", "-p", "COM300", "mesh", "survey"},
     "'COM300' is not COM1 to COM255"},
    {"meshSurveyBadAddress", {"mesh", "survey", "-p", "tcp://:4001"}, "tcp://"},
    {"meshSurveyProfileUnknownKey",
     {"-p", "COM1", "mesh", "survey", "--profile", "PROFILE"},
     ":2: unknown key 'powr'",
     "power = 3\npowr = 5\n"},
};

INSTANTIATE_TEST_SUITE_P(, RefusedCommandLine, testing::ValuesIn(kRefused),
                         [](const auto& info) { return std::string(info.param.name); });

// A tag names a run's ports in 16 bits: one more port than that is refused before any opens.
TEST(MeshTestPorts, moreThanATagCanNameAreRefused) {
    deliveryrun::MeshTestOptions options;
    options.count = 1;
    options.pairs = "/dev/tty0:/dev/tty1";
    for (int port = 0; port <= 65536; ++port)
        options.ports.push_back("/dev/tty" + std::to_string(port));
    EXPECT_THROW(deliveryrun::checkMeshTestOptions(options), modlink::Failure);
    options.ports.pop_back();
    EXPECT_NO_THROW(deliveryrun::checkMeshTestOptions(options));
}

struct AcceptedNumbers {
    const char* name;
    std::vector<std::string> arguments;
    int target, jump, count, intervalMs, baud, timeoutMs;
};

class DecimalNumbers : public testing::TestWithParam<AcceptedNumbers> {};

TEST_P(DecimalNumbers, areReadInBaseTen) {
    const AcceptedNumbers& expected = GetParam();
    const cli::ParsedCommandLine parsed = parse(expected.arguments);
    ASSERT_TRUE(parsed.run.has_value()) << parsed.error;
    ASSERT_NE(parsed.run->optionsAs<modlink::SendOptions>(), nullptr);
    const modlink::SendOptions& send = *parsed.run->optionsAs<modlink::SendOptions>();
    const modlink::CommonOptions& common = parsed.run->common;
    EXPECT_EQ(send.target, expected.target);
    EXPECT_EQ(send.jump, expected.jump);
    EXPECT_EQ(send.count.value_or(0), expected.count);
    EXPECT_EQ(send.intervalMs, expected.intervalMs);
    EXPECT_EQ(common.baud, expected.baud);
    EXPECT_EQ(common.timeoutMs, expected.timeoutMs);
}

const AcceptedNumbers kAccepted[] = {
    {"zeroPadded",
     {"-p", "COM1", "--baud", "019200", "--timeout", "0300", "send", "--target", "010", "--jump",
      "03", "--data", "01", "--count", "0012", "--interval", "0100"},
     10,
     3,
     12,
     100,
     19200,
     300},
    {"defaults",
     {"-p", "COM1", "send", "--target", "65535", "--data", "01"},
     65535,
     7,
     0,
     1000,
     9600,
     2000},
};

INSTANTIATE_TEST_SUITE_P(, DecimalNumbers, testing::ValuesIn(kAccepted),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// -p takes one word each time: the profile of apply and the bytes of raw after it stay their
// own, wherever -p stands.
struct PortWords {
    const char* name;
    std::vector<std::string> arguments;  // PROFILE stands for a whole profile's file
    std::vector<std::string> ports;      // apply's, or the one port of any other command
    std::string rawBytes;
};

class PortOption : public testing::TestWithParam<PortWords> {
  protected:
    std::vector<std::string> arguments() const {
        std::vector<std::string> arguments = GetParam().arguments;
        for (std::string& argument : arguments) {
            if (argument != "PROFILE") continue;
            argument = m_folder.path() + "/line.toml";
            std::ofstream(argument) << kWholeProfile;
        }
        return arguments;
    }

  private:
    ScopedRuntimeDir m_folder;
};

TEST_P(PortOption, takesOneWordEachTime) {
    const cli::ParsedCommandLine parsed = parse(arguments());
    ASSERT_TRUE(parsed.run.has_value()) << parsed.error;
    const cli::CommandToRun& run = *parsed.run;
    if (const auto* survey = run.optionsAs<cli::MeshSurveyOptions>()) {
        EXPECT_EQ(survey->ports.ports, GetParam().ports);
    } else if (const auto* apply = run.optionsAs<cli::UnitCommandOptions>()) {
        EXPECT_EQ(apply->station.ports, GetParam().ports);
        EXPECT_EQ(apply->changes.missingKeys(), std::vector<std::string>());
    } else {
        EXPECT_EQ(std::vector<std::string>{run.common.port}, GetParam().ports);
    }
    const auto* raw = run.optionsAs<cli::RawOptions>();
    EXPECT_EQ(raw ? raw->bytes : "", GetParam().rawBytes);
}

const PortWords kPortWords[] = {
    {"applyProfileAfterThePort", {"apply", "-p", "COM200", "PROFILE"}, {"COM200"}, ""},
    {"applyPortsOneByOne",
     {"apply", "-p", "COM200", "-p", "COM201", "PROFILE"},
     {"COM200", "COM201"},
     ""},
    {"applyRangeThenAPort",
     {"-p", "COM200-COM201", "apply", "PROFILE", "-p", "/dev/ttyUSB0"},
     {"COM200", "COM201", "/dev/ttyUSB0"},
     ""},
    {"rawBytesAfterThePort", {"raw", "-p", "COM200", "01 00 03 00"}, {"COM200"}, "01 00 03 00"},
    {"rawPortFirst", {"-p", "COM200", "raw", "01 00 03 00"}, {"COM200"}, "01 00 03 00"},
    {"meshSurveyRangeAddressAndDevice",
     {"-p", "COM200-COM202", "mesh", "survey", "-p", "rfc2217://rack-2:3333", "-p", "/dev/ttyUSB0"},
     {"COM200", "COM201", "COM202", "rfc2217://rack-2:3333", "/dev/ttyUSB0"},
     ""},
};

INSTANTIATE_TEST_SUITE_P(, PortOption, testing::ValuesIn(kPortWords),
                         [](const auto& info) { return std::string(info.param.name); });

// Each command's help shows, after its own options, those of the main command it takes.
struct CommandHelpCase {
    const char* command;
    std::vector<std::string> common;  // of -p, --baud, --parity, --timeout, --json
};

class CommandHelp : public testing::TestWithParam<CommandHelpCase> {};

TEST_P(CommandHelp, showsTheCommonOptionsItTakes) {
    std::vector<std::string> arguments;
    std::istringstream words(GetParam().command);
    for (std::string word; words >> word;) arguments.push_back(word);
    arguments.push_back("--help");
    const cli::ParsedCommandLine parsed = parse(arguments);
    EXPECT_EQ(parsed.exitCode, modlink::kExitDone);
    const std::size_t common = parsed.output.find("Common options:");
    ASSERT_NE(common, std::string::npos) << parsed.output;
    const std::string shown = parsed.output.substr(common);
    std::vector<std::string> listed;
    for (const char* option : {"-p,--port", "--baud", "--parity", "--timeout", "--json"})
        if (shown.find(std::string("\n  ") + option + " ") != std::string::npos)
            listed.push_back(option);
    EXPECT_EQ(listed, GetParam().common) << shown;
}

const std::vector<std::string> kOnAPort{"-p,--port", "--baud", "--parity", "--timeout", "--json"};

const CommandHelpCase kCommandHelp[] = {
    {"ports", {"--json"}},
    {"read", kOnAPort},
    {"write", kOnAPort},
    {"apply", kOnAPort},
    {"station", {"--baud", "--parity", "--timeout", "--json"}},
    {"units", {"--json"}},
    {"route", kOnAPort},
    {"path", kOnAPort},
    {"send", kOnAPort},
    {"raw", kOnAPort},
    {"monitor", {"-p,--port", "--baud", "--parity", "--json"}},
    {"mesh survey", kOnAPort},
    {"mesh test", kOnAPort},
};

INSTANTIATE_TEST_SUITE_P(, CommandHelp, testing::ValuesIn(kCommandHelp), [](const auto& info) {
    std::string name = info.param.command;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
});

// The help of the main command (or of the mesh group) lists each command by its name and
// description, and the command's own help opens with the same line, its options built only
// once the parse meets it.
struct ListedCommand {
    const char* command;
    const char* description;
};

class ListedCommands : public testing::TestWithParam<ListedCommand> {};

TEST_P(ListedCommands, showTheLineTheirOwnHelpOpensWith) {
    std::vector<std::string> words;
    std::istringstream command(GetParam().command);
    for (std::string word; command >> word;) words.push_back(word);
    const std::string name = words.back();
    const std::string description = GetParam().description;

    std::vector<std::string> parentHelp(words.begin(), words.end() - 1);
    parentHelp.push_back("--help");
    const cli::ParsedCommandLine parent = parse(parentHelp);
    EXPECT_EQ(parent.exitCode, modlink::kExitDone);
    const std::size_t listed = parent.output.find("\n  " + name + " ");
    ASSERT_NE(listed, std::string::npos) << parent.output;
    const std::size_t lineEnd = parent.output.find('\n', listed + 1);
    const std::string line = parent.output.substr(listed + 1, lineEnd - listed - 1);
    EXPECT_EQ(line.substr(line.find_first_not_of(' ', 2 + name.size())), description) << line;

    words.push_back("--help");
    const cli::ParsedCommandLine own = parse(words);
    EXPECT_EQ(own.exitCode, modlink::kExitDone);
    EXPECT_EQ(own.output.substr(0, own.output.find('\n')), description) << own.output;
}

const ListedCommand kListedCommands[] = {
    {"ports", "list the ports as the window shows them"},
    {"read", "read the module's seven settings"},
    {"write", "write settings; the others are read first"},
    {"apply", "write a profile, read back and compare"},
    {"station", "set up each module as it is plugged in, until Ctrl+C"},
    {"units", "list the units of the line's record, or count them"},
    {"route", "read the route list"},
    {"path", "read the path list"},
    {"send", "send application data to a node"},
    {"raw", "send bytes with their check byte, print the reply"},
    {"monitor", "print every block received until Ctrl+C"},
    {"mesh", "work on every module of a mesh at once"},
    {"mesh survey", "read every module of a mesh at once, draw its map and list its faults"},
    {"mesh test", "send tagged data between modules and see whether and how soon it arrives"},
    {"mesh history", "what a watcher kept: each node down and back, each change, and how long"},
};

INSTANTIATE_TEST_SUITE_P(, ListedCommands, testing::ValuesIn(kListedCommands),
                         [](const auto& info) {
                             std::string name = info.param.command;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

TEST(MeshSurveyProfile, GivesTheSettingsEveryModuleMustHold) {
    ScopedRuntimeDir folder;
    const std::string profile = folder.path() + "/mesh.toml";
    std::ofstream(profile) << "frequency = 433.0\nnetwork_id = 7\npower = 3\n";
    const cli::ParsedCommandLine parsed =
        parse({"-p", "COM1", "mesh", "survey", "--profile", profile});
    ASSERT_TRUE(parsed.run.has_value()) << parsed.error;
    ASSERT_NE(parsed.run->optionsAs<cli::MeshSurveyOptions>(), nullptr);
    const mesh::SharedSettings& expected =
        parsed.run->optionsAs<cli::MeshSurveyOptions>()->expected;
    EXPECT_EQ(expected.frequencyRegister, proto::frequencyRegisterFromMhz(433.0));
    EXPECT_EQ(expected.networkId, 7);
    EXPECT_EQ(expected.lifeCycleCode, std::nullopt);
}

// The parse reads no file and makes none: the profile is read and the spool's folder made by the
// run's prepare step, before any port opens, which refuses what cannot be used with exit 2.
struct PreparedLater {
    const char* name;
    std::vector<std::string> arguments;  // DIR stands for an empty folder
    const char* refusal;                 // a part of prepare's error line
};

class ParseAlone : public testing::TestWithParam<PreparedLater> {};

TEST_P(ParseAlone, readsNoFileAndMakesNone) {
    ScopedRuntimeDir folder;
    std::vector<std::string> arguments{"meshcfg-cli"};
    for (std::string argument : GetParam().arguments) {
        for (std::size_t at; (at = argument.find("DIR")) != std::string::npos;)
            argument.replace(at, 3, folder.path());
        arguments.push_back(argument);
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    cli::ParsedCommandLine parsed =
        cli::parseCommandLine(static_cast<int>(argv.size()), argv.data());
    ASSERT_TRUE(parsed.run.has_value()) << parsed.error;
    EXPECT_FALSE(std::filesystem::exists(folder.path() + "/spool"));
    cli::prepareRun(parsed);
    EXPECT_FALSE(parsed.run.has_value());
    EXPECT_EQ(parsed.exitCode, modlink::kExitUsage);
    EXPECT_NE(parsed.error.find(GetParam().refusal), std::string::npos) << parsed.error;
}

const PreparedLater kPreparedLater[] = {
    {"applyProfileAbsent",
     {"-p", "COM1", "apply", "DIR/none.toml", "--db", "sqlite:///DIR/line.db", "--spool",
      "DIR/spool/rows.jsonl"},
     "none.toml: not a profile file"},
    {"stationProfileAbsent",
     {"station", "DIR/none.toml", "--aliases", "--keep-node-id", "--db", "sqlite:///DIR/line.db",
      "--spool", "DIR/spool/rows.jsonl"},
     "none.toml: not a profile file"},
    {"meshSurveyProfileAbsent",
     {"-p", "COM1", "mesh", "survey", "--profile", "DIR/none.toml"},
     "none.toml: not a profile file"},
    {"readSavedInAFolder", {"-p", "COM1", "read", "--save", "DIR"}, "cannot be written"},
    {"meshTestCsvInNoFolder",
     {"-p", "COM200-COM201", "mesh", "test", "--count", "5", "--csv", "DIR/none/sends.csv"},
     "cannot be written"},
};

INSTANTIATE_TEST_SUITE_P(, ParseAlone, testing::ValuesIn(kPreparedLater),
                         [](const auto& info) { return std::string(info.param.name); });
