// A survey reads each module's setup, route list and path whatever form its replies take, keeps
// what one module answered when it leaves a request unanswered, and keeps every port's outcome
// in its place when some ports fail.

#include <gtest/gtest.h>

#include <thread>

#include "ModuleReading.h"
#include "PortSurvey.h"
#include "PtyPair.h"
#include "ReplyFrames.h"

namespace {

using namespace std::chrono_literals;
using Chunks = std::vector<proto::Frame>;  // written one after another, a pause between them

constexpr int kTimeoutMs = 300;
// Longer than the frame reader's silence between two bytes of one frame is not.
constexpr auto kPause = 20ms;

const proto::Setup kSetup{.frequencyRegister = 7110000, .networkId = 9, .nodeId = 3};

proto::Frame setupReply() {
    return proto::encode(proto::SetupReply{kSetup});
}
proto::Frame routes() {
    return routeListReply(3, {{1, 2}, {2, 2}});
}
proto::Frame path() {
    return pathListReply(3, {{61, 1}, {52, 2}});
}
proto::Frame notice() {
    return proto::encode(proto::ReceiveNotice{proto::NoticeContent{4, 60, {0x01, 0x02}}});
}
proto::Frame badCheck(proto::Frame frame) {
    frame.back() ^= 0xFF;
    return frame;
}
Chunks halves(const proto::Frame& frame) {
    const auto middle = frame.begin() + static_cast<std::ptrdiff_t>(frame.size() / 2);
    return {proto::Frame(frame.begin(), middle), proto::Frame(middle, frame.end())};
}

// The far end of the port: takes the setup, route list and path requests in turn and answers
// each as the script says; an empty answer is silence.
class ScriptedModule {
  public:
    ScriptedModule(PtyPair& pty, std::array<Chunks, 3> answers)
        : m_thread([this, &pty, answers = std::move(answers)] { run(pty, answers); }) {}
    ~ScriptedModule() {
        if (m_thread.joinable()) m_thread.join();
    }
    // Once the module has stopped waiting for the next request.
    int requestsTaken() {
        m_thread.join();
        return m_taken;
    }

  private:
    void run(PtyPair& pty, const std::array<Chunks, 3>& answers) {
        const std::array<proto::Frame, 3> requests{proto::encode(proto::ReadSetupRequest{}),
                                                   proto::encode(proto::RouteListRequest{}),
                                                   proto::encode(proto::PathRequest{})};
        for (std::size_t i = 0; i < requests.size(); ++i) {
            if (pty.readMaster(requests[i].size(), 2s) != requests[i]) return;
            ++m_taken;
            for (const proto::Frame& chunk : answers[i]) {
                std::this_thread::sleep_for(kPause);
                pty.writeMaster(chunk);
            }
        }
    }

    std::atomic<int> m_taken = 0;
    std::thread m_thread;
};

modlink::CommonOptions quickLink() {
    modlink::CommonOptions link;
    link.timeoutMs = kTimeoutMs;
    return link;
}

struct ReadingCase {
    const char* name;
    std::array<Chunks, 3> answers;  // to the setup, route list and path requests
    bool setup, routes, path;       // answered
};

class ReadingAModule : public testing::TestWithParam<ReadingCase> {};

TEST_P(ReadingAModule, KeepsEveryGoodReplyAndLeavesTheOthersEmpty) {
    const ReadingCase& c = GetParam();
    PtyPair pty;
    mesh::SurveyedPort read;
    {
        ScriptedModule module(pty, c.answers);
        read = survey::readModule(ports::PortDirectory().resolve(pty.slavePath()), quickLink(), {});
    }
    EXPECT_EQ(read.port, pty.slavePath());
    const auto* answers = std::get_if<mesh::ModuleAnswers>(&read.outcome);
    ASSERT_NE(answers, nullptr) << std::get<mesh::PortFailure>(read.outcome).reason;
    EXPECT_EQ(answers->setup, c.setup ? std::optional(kSetup) : std::nullopt);
    EXPECT_EQ(answers->routes.has_value(), c.routes);
    if (c.routes) {
        EXPECT_EQ(answers->routes->entries[1], (proto::RouteEntry{2, 2}));
    }
    EXPECT_EQ(answers->path.has_value(), c.path);
    if (c.path) {
        EXPECT_EQ(answers->path->hops.size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReadingAModule,
    testing::Values(
        ReadingCase{"AllThree", {{{setupReply()}, {routes()}, {path()}}}, true, true, true},
        ReadingCase{"NoticesAheadOfTheReplies",
                    {{{notice(), setupReply()}, {notice(), routes()}, {notice(), path()}}},
                    true,
                    true,
                    true},
        ReadingCase{"RepliesInPieces",
                    {{halves(setupReply()), halves(routes()), halves(path())}},
                    true,
                    true,
                    true},
        ReadingCase{"SilentOnTheSetup", {{{}, {routes()}, {path()}}}, false, true, true},
        ReadingCase{"SilentOnTheRouteList", {{{setupReply()}, {}, {path()}}}, true, false, true},
        ReadingCase{"WrongCheckByteOnThePath",
                    {{{setupReply()}, {routes()}, {badCheck(path())}}},
                    true,
                    true,
                    false},
        ReadingCase{"AnotherReplyForTheRouteList",
                    {{{setupReply()}, {path()}, {path()}}},
                    true,
                    false,
                    true}),
    [](const auto& info) { return info.param.name; });

TEST(ReadingAModule, ASilentModuleIsItsPortsFailureWithoutItsName) {
    PtyPair pty;
    ScriptedModule module(pty, {});
    const mesh::SurveyedPort read =
        survey::readModule(ports::PortDirectory().resolve(pty.slavePath()), quickLink(), {});
    const auto& failure = std::get<mesh::PortFailure>(read.outcome);
    EXPECT_EQ(failure.kind, mesh::PortFailureKind::NoReply);
    EXPECT_EQ(failure.reason, "no reply within 300 ms");
}

TEST(ReadingAModule, AsksNothingMoreOnceStopIsRequested) {
    PtyPair pty;
    std::stop_source stop;
    stop.request_stop();
    ScriptedModule module(pty, {{{setupReply()}, {routes()}, {path()}}});
    const mesh::SurveyedPort read = survey::readModule(
        ports::PortDirectory().resolve(pty.slavePath()), quickLink(), stop.get_token());
    EXPECT_FALSE(std::get<mesh::ModuleAnswers>(read.outcome).routes);
    EXPECT_EQ(module.requestsTaken(), 1);
}

TEST(SurveyingPorts, KeepsEachPortsOutcomeInItsPlace) {
    PtyPair answering;
    PtyPair silent;
    ScriptedModule module(answering, {{{setupReply()}, {routes()}, {path()}}});
    ScriptedModule mute(silent, {});
    const std::vector<std::string> ports{silent.slavePath(), "/dev/meshcfg-no-such-port",
                                         answering.slavePath()};
    const mesh::Survey survey =
        survey::surveyPorts(ports::PortDirectory().resolve(ports), quickLink());
    ASSERT_EQ(survey.size(), 3u);
    for (std::size_t i = 0; i < ports.size(); ++i) EXPECT_EQ(survey[i].port, ports[i]);
    EXPECT_EQ(std::get<mesh::PortFailure>(survey[0].outcome).kind, mesh::PortFailureKind::NoReply);
    EXPECT_EQ(std::get<mesh::PortFailure>(survey[1].outcome).kind,
              mesh::PortFailureKind::PortFailed);
    EXPECT_EQ(std::get<mesh::ModuleAnswers>(survey[2].outcome).setup, kSetup);
}

}  // namespace
