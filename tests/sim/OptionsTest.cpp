#include <gtest/gtest.h>

#include "Options.h"

namespace {

using namespace std::chrono_literals;

TEST(Options, DefaultsWithoutArguments) {
    const auto parsed = sim::parseOptions({});
    EXPECT_TRUE(parsed.error.empty());
    EXPECT_FALSE(parsed.help);
    const sim::Options& o = parsed.options;
    EXPECT_EQ(o.firstPort, 200);
    EXPECT_EQ(o.timing.baud, 9600u);
    EXPECT_EQ(o.timing.pieces, 1u);
    EXPECT_EQ(o.fault.kind, sim::FaultKind::kNone);
    EXPECT_EQ(o.noticeEvery, 20s);
    EXPECT_FALSE(o.meshFile || o.logFile || o.quiet || o.seed || o.noticeBeforeReply);
}

TEST(Options, EveryOptionIsRead) {
    const auto parsed =
        sim::parseOptions({"--mesh", "m.txt", "--com=201", "--delay", "5", "--baud=0", "--split",
                           "3:40", "--fault", "short:4", "--notice-every", "0", "--log", "x.log",
                           "--quiet", "--seed", "42", "--notice-before-reply"});
    ASSERT_EQ(parsed.error, "");
    const sim::Options& o = parsed.options;
    EXPECT_EQ(o.meshFile, "m.txt");
    EXPECT_EQ(o.firstPort, 201);
    EXPECT_EQ(o.timing.delay, 5ms);
    EXPECT_EQ(o.timing.baud, 0u);
    EXPECT_EQ(o.timing.pieces, 3u);
    EXPECT_EQ(o.timing.gap, 40ms);
    EXPECT_EQ(o.fault.kind, sim::FaultKind::kShort);
    EXPECT_EQ(o.fault.every, 4u);
    EXPECT_EQ(o.noticeEvery, 0s);
    EXPECT_TRUE(o.noticeBeforeReply);
    EXPECT_EQ(o.logFile, "x.log");
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(o.seed, 42u);
}

TEST(Options, AckLengthFromABareFrameToAFullPayload) {
    EXPECT_NE(sim::helpText().find("--ack-length N"), std::string::npos);
    EXPECT_EQ(sim::parseOptions({}).options.ackLength, 18u);
    for (const std::size_t length : {5u, 6u, 260u}) {
        const auto parsed = sim::parseOptions({"--ack-length", std::to_string(length)});
        EXPECT_EQ(parsed.error, "");
        EXPECT_EQ(parsed.options.ackLength, length);
    }
}

TEST(Options, FaultWithoutPeriodHitsEveryReply) {
    const auto parsed = sim::parseOptions({"--fault", "bad-check"});
    EXPECT_EQ(parsed.options.fault.kind, sim::FaultKind::kBadCheck);
    EXPECT_EQ(parsed.options.fault.every, 1u);
}

struct BadOptionCase {
    std::vector<std::string_view> args;
    std::string error;
};

class BadOptions : public testing::TestWithParam<BadOptionCase> {};

TEST_P(BadOptions, AreRefusedWithAReason) {
    EXPECT_EQ(sim::parseOptions(GetParam().args).error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadOptions,
    testing::Values(
        BadOptionCase{{"--com", "256"}, "bad value '256' for --com"},
        BadOptionCase{{"--com", "0"}, "bad value '0' for --com"},
        BadOptionCase{{"--delay", "-1"}, "bad value '-1' for --delay"},
        BadOptionCase{{"--split", "0:10"}, "bad value '0:10' for --split"},
        BadOptionCase{{"--split", "3"}, "bad value '3' for --split"},
        BadOptionCase{{"--fault", "noise"}, "bad value 'noise' for --fault"},
        BadOptionCase{{"--fault", "short:0"}, "bad value 'short:0' for --fault"},
        BadOptionCase{{"--mesh="}, "bad value '' for --mesh"},
        BadOptionCase{{"--baud"}, "option --baud needs a value"},
        BadOptionCase{{"--ack-length", "4"}, "bad value '4' for --ack-length"},
        BadOptionCase{{"--ack-length", "261"}, "bad value '261' for --ack-length"},
        BadOptionCase{{"--verbose"}, "unknown option '--verbose'"},
        BadOptionCase{{"--lab", "l.toml", "--mesh", "m.txt"},
                      "--lab and --mesh exclude each other: a lab's modules report the "
                      "mesh they make"},
        BadOptionCase{{"--baud", "0", "--lab", "l.toml"},
                      "--baud does not go with --lab: each module is paced at its own "
                      "uart_baud"},
        BadOptionCase{{"--lab=l.toml", "--notice-every=0"},
                      "--notice-every does not go with --lab: its modules' notices are the "
                      "data they send each other"},
        BadOptionCase{{"--lab", "l.toml", "--notice-before-reply"},
                      "--notice-before-reply does not go with --lab: its modules' notices "
                      "are the data they send each other"}));

TEST(Options, LabTakesTheOptionsOfItsModulesLines) {
    const auto parsed =
        sim::parseOptions({"--lab", "l.toml", "--com", "150", "--delay", "0", "--split", "2:5",
                           "--fault", "silence:3", "--seed", "9", "--log", "x.log"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.labFile, "l.toml");
    EXPECT_EQ(parsed.options.firstPort, 150);
    EXPECT_EQ(parsed.options.timing.pieces, 2u);
    EXPECT_EQ(parsed.options.fault.kind, sim::FaultKind::kSilence);
}

TEST(Options, HelpDocumentsEveryOption) {
    EXPECT_TRUE(sim::parseOptions({"--help"}).help);
    const std::string help = sim::helpText();
    for (const char* option : {"--mesh FILE",
                               "--com N",
                               "--delay MS",
                               "--baud N",
                               "--split N:GAP_MS",
                               "--fault KIND[:EVERY]",
                               "--notice-every S",
                               "--notice-before-reply",
                               "--log FILE",
                               "--quiet",
                               "--help",
                               "bad-check",
                               "short",
                               "silence",
                               "garbage",
                               "route <target> via <node>",
                               "hop <node> <linkvalue>",
                               "--seed N",
                               "link <node> <node> <rate> <latency>",
                               "--lab FILE",
                               "[[node]]",
                               "[[link]]",
                               "link_value",
                               "latency_ms",
                               "delivery",
                               "cable",
                               "powered"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
}

}  // namespace
