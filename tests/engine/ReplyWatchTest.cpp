// Which module commands go unanswered: time is driven, each case a script of frames taken,
// written and received, and the requests overdue at its end.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "HexBytes.h"
#include "ReplyWatch.h"

namespace {

using engine::ReplyWatch;
using namespace std::chrono_literals;

const std::string kRead = "01 00 02 0D A5 A5 00 00 00 00 00 00 00 00 00 00 00 0E";
const std::string kRoute = "01 00 03 00 02";
const std::string kSend = "05 00 01 07 00 02 00 07 01 01 AA AC";
const std::string kWatchedSetupReply = "01 00 82 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00 74";
const std::string kWatchedNotice = "05 00 82 06 00 02 3C 02 00 07 BA";

struct WatchCase {
    const char* tag;
    std::vector<std::string> steps;  // "take HEX", "write MS", "receive HEX [bad|notice]"
    int atMs;                        // when the overdue requests are taken
    int overdue;
};

class Watch : public testing::TestWithParam<WatchCase> {};

TEST_P(Watch, OverdueRequests) {
    const ReplyWatch::Clock::time_point start{};
    ReplyWatch watch;
    for (const std::string& step : GetParam().steps) {
        std::istringstream words(step);
        std::string verb;
        words >> verb;
        std::string rest;
        std::getline(words, rest);
        if (verb == "take") {
            watch.taken(hexBytes(rest));
        } else if (verb == "write") {
            watch.written(start + std::chrono::milliseconds(std::stoi(rest)));
        } else {
            const bool bad = rest.ends_with(" bad");
            const bool notice = rest.ends_with(" notice");
            watch.received({.bytes = hexBytes(rest.substr(0, rest.rfind(' '))),
                            .arrived = {},
                            .checkOk = !bad,
                            .unsolicited = notice});
        }
    }
    const auto at = start + std::chrono::milliseconds(GetParam().atMs);
    EXPECT_EQ(watch.takeOverdue(at), GetParam().overdue);
    EXPECT_EQ(watch.takeOverdue(at), 0) << "each request is told once";
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, Watch,
    testing::Values(
        WatchCase{"NotYetTwoSeconds", {"take " + kRead, "write 100"}, 2099, 0},
        WatchCase{"TwoSecondsAfterItWentOut", {"take " + kRead, "write 100"}, 2100, 1},
        WatchCase{"AnsweredInTime",
                  {"take " + kRead, "write 0", "receive " + kWatchedSetupReply + " ok"},
                  5000,
                  0},
        WatchCase{
            "ASpoiledReplyIsAnAnswer",
            {"take " + kRead, "write 0",
             "receive " + kWatchedSetupReply.substr(0, kWatchedSetupReply.size() - 2) + "00 bad"},
            5000,
            0},
        WatchCase{"ANoticeIsNoAnswer",
                  {"take " + kRead, "write 0", "receive " + kWatchedNotice + " notice"},
                  5000,
                  1},
        WatchCase{"AnotherReplyIsNoAnswer",
                  {"take " + kRoute, "write 0", "receive " + kWatchedSetupReply + " ok"},
                  5000,
                  1},
        WatchCase{"OneReplyForTwoReads",
                  {"take " + kRead, "take " + kRead, "write 0", "write 10",
                   "receive " + kWatchedSetupReply + " ok"},
                  5000,
                  1},
        WatchCase{"ASendIsNotWatched", {"take " + kSend, "write 0"}, 5000, 0},
        WatchCase{"TheWaitStartsWhenItWentOut",
                  {"take " + kSend, "take " + kRead, "write 0", "write 1500"},
                  3000,
                  0},
        WatchCase{"NeverWrittenIsNotOverdue", {"take " + kRead}, 60000, 0}),
    [](const auto& info) { return std::string(info.param.tag); });

}  // namespace
