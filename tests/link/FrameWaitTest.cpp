// A frame wait that another thread cuts short: the thread in it turns to what it was handed
// at once, however far off its deadline; a frame that comes beside the cut is still taken, by
// that wait or the next.

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "Messages.h"
#include "PtyPair.h"
#include "SendNames.h"
#include "Session.h"

namespace {

using Clock = modlink::ModuleLink::Clock;

// Far off: a wait that is not cut short never ends within a test run.
constexpr auto kFarOff = std::chrono::hours(1);

struct CutCase {
    std::string name;
    bool frameToo = false;     // the module writes a frame as the cut comes
    bool fromAnother = false;  // cut by another thread once the wait is under way
};

void PrintTo(const CutCase& row, std::ostream* out) {
    *out << row.name;
}

class FrameWaitCut : public testing::TestWithParam<CutCase> {};

TEST_P(FrameWaitCut, EndsTheWaitLongBeforeItsDeadline) {
    PtyPair pty;
    modlink::CommonOptions options;
    options.port = pty.slavePath();
    modlink::Session session(options, ports::PortDirectory().resolve(options.port));
    modlink::ModuleLink& link = session.link();
    if (GetParam().frameToo) {
        const proto::Frame reply = proto::encode(proto::SendStatus{1, proto::kStatusOk});
        ASSERT_EQ(::write(pty.masterFd(), reply.data(), reply.size()),
                  static_cast<ssize_t>(reply.size()));
    }
    std::jthread cutter;
    if (GetParam().fromAnother)
        cutter = std::jthread([&link] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            link.cutFrameWait();
        });
    else
        link.cutFrameWait();

    // One wait for the cut, and one for the frame when there is one, in whichever order.
    int cut = 0;
    int arrived = 0;
    const Clock::time_point deadline = Clock::now() + kFarOff;
    for (int wait = 0; wait < 1 + GetParam().frameToo; ++wait) {
        proto::ReadFrame frame;
        const modlink::ModuleLink::WaitEnd end = link.awaitFrame(deadline, frame);
        cut += end == modlink::ModuleLink::WaitEnd::kTimeOut;
        arrived += end == modlink::ModuleLink::WaitEnd::kArrived && !frame.unsolicited;
    }
    EXPECT_LT(Clock::now(), deadline);
    EXPECT_EQ(cut, 1);
    EXPECT_EQ(arrived, GetParam().frameToo ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Waits, FrameWaitCut,
                         testing::Values(CutCase{"cut_before_the_wait", false, false},
                                         CutCase{"cut_during_the_wait", false, true},
                                         CutCase{"a_frame_beside_the_cut", true, false},
                                         CutCase{"a_frame_before_the_cut_during", true, true}),
                         [](const auto& info) { return info.param.name; });

// A frame's head whose rest never comes holds up what follows it until the silence after its
// last byte: the port lets it go then, and the wait has the frame behind it long before its
// deadline, with nothing on the waiting thread ticking.
TEST(FrameWait, TakesTheFrameBehindAHeadThatNeverEnds) {
    PtyPair pty;
    modlink::CommonOptions options;
    options.port = pty.slavePath();
    modlink::Session session(options, ports::PortDirectory().resolve(options.port));
    const proto::Frame notice = proto::encode(proto::ReceiveNotice{{{3, 40, {0xAA}}}});
    proto::Frame bytes = {0x05, 0x00, 0x82, 0x30};  // a notice of 48 bytes, begun
    bytes.insert(bytes.end(), notice.begin(), notice.end());
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(::write(pty.masterFd(), bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));

    proto::ReadFrame frame;
    const auto farDeadline = start + std::chrono::seconds(30);
    ASSERT_EQ(session.link().awaitFrame(farDeadline, frame),
              modlink::ModuleLink::WaitEnd::kArrived);
    EXPECT_LT(Clock::now(), start + std::chrono::seconds(10));
    EXPECT_EQ(frame.bytes, notice);
    EXPECT_EQ(session.link().noiseBytes(), 4U);
}

}  // namespace
