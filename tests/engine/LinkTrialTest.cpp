// The link test's matching of confirmations to sends, on a clock the test sets: each case is a
// script of sends, confirmations and looks at the clock, with what each one counted and the
// summary at the end.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LinkTrial.h"

namespace {

using Clock = engine::LinkTrial::Clock;
using std::chrono::milliseconds;

struct Step {
    enum Kind { Send, Confirm, Spoiled, Look } kind;
    int ms = 0;  // on the test's clock
    std::uint8_t status = 0x00;
};

Step sendAt(int ms) {
    return {Step::Send, ms};
}
Step confirmAt(int ms, std::uint8_t status = 0x00) {
    return {Step::Confirm, ms, status};
}
Step spoiledAt(int ms) {
    return {Step::Spoiled, ms};
}
Step lookAt(int ms) {
    return {Step::Look, ms};
}

struct MatchCase {
    const char* tag;
    int timeoutMs;
    std::vector<Step> steps;
    std::vector<std::string> counted;  // one line for each confirmation and each time-out
    std::string summary;               // after the end of the test
    engine::LinkTrial::Waiting ending = engine::LinkTrial::Waiting::NoReply;
};

std::string line(const engine::LinkTrial::Answer& answer) {
    switch (answer.verdict) {
        case engine::LinkTrial::Verdict::InTime:
            return "send " + std::to_string(answer.send) + " in " +
                   std::to_string(static_cast<int>(answer.roundTripMs)) + " ms";
        case engine::LinkTrial::Verdict::Late:
            return "send " + std::to_string(answer.send) + " late, in " +
                   std::to_string(static_cast<int>(answer.roundTripMs)) + " ms";
        case engine::LinkTrial::Verdict::Unmatched:
            return "unmatched";
    }
    return {};
}

class Matching : public testing::TestWithParam<MatchCase> {};

TEST_P(Matching, CountsEachConfirmationForItsOwnSend) {
    const Clock::time_point start = Clock::now();
    engine::LinkTrial test(milliseconds(GetParam().timeoutMs));
    std::vector<std::string> counted;
    for (const Step& step : GetParam().steps) {
        const Clock::time_point at = start + milliseconds(step.ms);
        switch (step.kind) {
            case Step::Send:
                test.countSend(at);
                break;
            case Step::Confirm:
                counted.push_back(line(test.countConfirmation(step.status, at)));
                break;
            case Step::Spoiled:
                counted.push_back(line(test.countConfirmation(std::nullopt, at)));
                break;
            case Step::Look:
                if (const int expired = test.expire(at))
                    counted.push_back(std::to_string(expired) + " timed out");
                break;
        }
    }
    EXPECT_EQ(counted, GetParam().counted);
    EXPECT_EQ(test.finish(GetParam().ending).summary(), GetParam().summary);
}

// The window's "1000ms": a send every 1.1 s over a mesh whose confirmations take 1.4 s, the
// clock looked at every 100 ms.
std::vector<Step> slowMesh(int sends) {
    std::vector<Step> steps;
    for (int ms = 0; ms <= sends * 1100 + 300; ms += 100) {
        if (ms % 1100 == 0 && ms / 1100 < sends) steps.push_back(sendAt(ms));
        if (ms >= 1400 && (ms - 1400) % 1100 == 0) steps.push_back(confirmAt(ms));
        steps.push_back(lookAt(ms));
    }
    return steps;
}

std::vector<std::string> slowMeshCounted(int sends) {
    std::vector<std::string> lines;
    for (int send = 1; send <= sends; ++send)
        lines.push_back("send " + std::to_string(send) + " in 1400 ms");
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    LinkTests, Matching,
    testing::Values(
        MatchCase{"InOrder",
                  1000,
                  {sendAt(0), sendAt(100), confirmAt(50, 0xC7), confirmAt(160)},
                  {"send 1 in 50 ms", "send 2 in 60 ms"},
                  "Link test: 2 sent, 1 ok, 1 Route not found; round trip min 50 ms, median 50 "
                  "ms, max 60 ms"},
        MatchCase{"TimedOutOnlyOnceItsTimeOutEnded",
                  1000,
                  {sendAt(0), lookAt(999), lookAt(1000), lookAt(2000)},
                  {"1 timed out"},
                  "Link test: 1 sent, 1 no reply"},
        // The reply that came after its time-out is its own send's, never the next one's.
        MatchCase{"LateNeverCreditedToTheNextSend",
                  1000,
                  {sendAt(0), lookAt(1000), sendAt(1100), confirmAt(1400), lookAt(1500),
                   confirmAt(2500), lookAt(2500)},
                  {"1 timed out", "send 1 late, in 1400 ms", "send 2 late, in 1400 ms"},
                  "Link test: 2 sent, 2 no reply, 2 late"},
        MatchCase{"TimeOutEndsAtItsLastMillisecond",
                  1000,
                  {sendAt(0), sendAt(10), confirmAt(999), confirmAt(1010)},
                  {"send 1 in 999 ms", "send 2 late, in 1000 ms"},
                  "Link test: 2 sent, 1 ok, 1 no reply, 1 late; round trip min 999 ms, median "
                  "999 ms, max 999 ms"},
        // A face that reads the confirmation after the time-out ended still times it by its
        // arrival.
        MatchCase{"LateBeforeAnyLook",
                  1000,
                  {sendAt(0), sendAt(500), confirmAt(1000), confirmAt(1200)},
                  {"send 1 late, in 1000 ms", "send 2 in 700 ms"},
                  "Link test: 2 sent, 1 ok, 1 no reply, 1 late; round trip min 700 ms, median "
                  "700 ms, max 700 ms"},
        // A module behind a pseudo-terminal answers sooner than any line could carry the
        // bytes; only a confirmation with no send waiting is unmatched.
        MatchCase{"SoonestIsStillItsSendsAnswer",
                  1000,
                  {confirmAt(0), sendAt(100), confirmAt(100), confirmAt(101), sendAt(200),
                   confirmAt(200)},
                  {"unmatched", "send 1 in 0 ms", "unmatched", "send 2 in 0 ms"},
                  "Link test: 2 sent, 2 ok, 2 unmatched; round trip min 0 ms, median 0 ms, max "
                  "0 ms"},
        // Each send waits for its answer or its time-out before the next, as the command line
        // sends: after a lost confirmation the next one answers its own send, not a late one.
        MatchCase{"LostConfirmationShiftsNothing",
                  1000,
                  {sendAt(0), confirmAt(10), sendAt(100), lookAt(1100), sendAt(1200),
                   confirmAt(1210), sendAt(1300), confirmAt(1310)},
                  {"send 1 in 10 ms", "1 timed out", "send 3 in 10 ms", "send 4 in 10 ms"},
                  "Link test: 4 sent, 3 ok, 1 no reply; round trip min 10 ms, median 10 ms, max "
                  "10 ms"},
        // The send passed over is without a reply once, whether a look counted it or not.
        MatchCase{
            "PassedOverBeforeAnyLook",
            1000,
            {sendAt(0), confirmAt(10), sendAt(100), sendAt(1200), confirmAt(1210), lookAt(5000)},
            {"send 1 in 10 ms", "send 3 in 10 ms"},
            "Link test: 3 sent, 2 ok, 1 no reply; round trip min 10 ms, median 10 ms, max "
            "10 ms"},
        // The round trips in time so far say which is likelier: late for the old send, or the
        // new send's own answer.
        MatchCase{
            "LateWhereTheTypicalRoundTripSaysSo",
            1000,
            {sendAt(0), confirmAt(900), sendAt(1000), lookAt(2000), sendAt(2100), confirmAt(2150),
             confirmAt(2200)},
            {"send 1 in 900 ms", "1 timed out", "send 2 late, in 1150 ms", "send 3 in 100 ms"},
            "Link test: 3 sent, 2 ok, 1 no reply, 1 late; round trip min 100 ms, median "
            "100 ms, max 900 ms"},
        MatchCase{"SpoiledAnswersItsSendWithoutAReply",
                  1000,
                  {sendAt(0), sendAt(100), spoiledAt(50), confirmAt(180)},
                  {"send 1 in 50 ms", "send 2 in 80 ms"},
                  "Link test: 2 sent, 1 ok, 1 no reply; round trip min 80 ms, median 80 ms, max "
                  "80 ms"},
        MatchCase{"StillWaitingAtTheEnd",
                  10000,
                  {sendAt(0), confirmAt(1400), sendAt(1500), lookAt(2000)},
                  {"send 1 in 1400 ms"},
                  "Link test: 2 sent, 1 ok, 1 no reply; round trip min 1400 ms, median 1400 ms, "
                  "max 1400 ms"},
        MatchCase{"CutShortLeavesTheWaitingSendOut",
                  10000,
                  {sendAt(0), lookAt(10000), sendAt(10100), confirmAt(10300)},
                  {"1 timed out", "send 1 late, in 10300 ms"},
                  "Link test: 1 sent, 1 no reply, 1 late",
                  engine::LinkTrial::Waiting::LeftOut},
        MatchCase{"SlowMeshAtTheWindowsShortestInterval", 10000, slowMesh(10), slowMeshCounted(10),
                  "Link test: 10 sent, 10 ok; round trip min 1400 ms, median 1400 ms, max 1400 "
                  "ms"}),
    [](const testing::TestParamInfo<MatchCase>& info) { return std::string(info.param.tag); });

}  // namespace
