// One module's line with driven time: what the tool writes is heard at the line's pace, what
// does not fit the input buffer is dropped and told once, and what the module says never
// outgrows its output buffer.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "FileDescriptor.h"
#include "LineTime.h"
#include "Messages.h"
#include "ModuleLine.h"

namespace {

using namespace std::chrono_literals;
using Clock = sim::ModuleLine::Clock;
using Strings = std::vector<std::string>;

const Clock::time_point kLineStart = Clock::time_point{} + 1h;
const proto::Frame kFrame =  // 20 bytes, as a short send is
    proto::buildFrame(proto::kTypeNetData, proto::kCmdSendData, proto::Frame(15, 0x11));

Clock::duration at9600(std::size_t bytes) {
    return proto::lineTime(bytes, 9600);
}

// A pipe stands for the terminal: the tool's end writes, the module's line reads.
struct Pipe {
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("pipe");
        in.reset(fds[0]);
        out.reset(fds[1]);
    }
    std::size_t pending() const {
        char buffer[4096];
        std::size_t total = 0;
        for (ssize_t got; (got = ::read(in.get(), buffer, sizeof buffer)) > 0;) total += got;
        return total;
    }
    files::FileDescriptor in, out;
};

// `frames` frames written at once, `times` times, `every` apart from atMs on.
struct Write {
    int atMs;
    std::size_t frames;
    int times = 1;
    Clock::duration every{};
};

struct IntakeCase {
    const char* tag;
    unsigned baud;
    proto::Parity parity;
    std::vector<Write> writes;
    std::size_t frames;         // heard whole
    Clock::duration lastHeard;  // the last whole frame, after kLineStart
    std::size_t garbage;        // bytes of the frame a drop cut
    std::size_t dropped;        // as the log tells it once all is quiet
};

void PrintTo(const IntakeCase& c, std::ostream* out) {
    *out << c.tag;
}

class LineIntake : public testing::TestWithParam<IntakeCase> {};

TEST_P(LineIntake, HearsAtTheLinesPaceAndDropsWhatDoesNotFit) {
    const IntakeCase& c = GetParam();
    sim::ModuleLine line({.baud = c.baud, .parity = c.parity});
    const Pipe tool;
    std::size_t frames = 0, garbage = 0;
    Clock::time_point last{};
    for (const Write& write : c.writes) {
        proto::Frame bytes;
        for (std::size_t k = 0; k < write.frames; ++k)
            bytes.insert(bytes.end(), kFrame.begin(), kFrame.end());
        for (int k = 0; k < write.times; ++k) {
            ASSERT_EQ(::write(tool.out.get(), bytes.data(), bytes.size()), ssize_t(bytes.size()));
            const auto now = kLineStart + std::chrono::milliseconds(write.atMs) + k * write.every;
            for (const auto& [item, at] : line.read(tool.in.get(), now)) {
                if (item.kind != sim::Received::Kind::kFrame) garbage += item.bytes.size();
                if (item.kind == sim::Received::Kind::kFrame) ++frames, last = at;
            }
        }
    }
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(last - kLineStart, c.lastHeard);
    EXPECT_EQ(garbage, c.garbage);
    EXPECT_EQ(line.takeOverflows(kLineStart + 1h, 200),
              c.dropped == 0 ? Strings{}
                             : Strings{"COM200 input overflow: " + std::to_string(c.dropped) +
                                       " bytes dropped"});
}

using enum proto::Parity;
const Clock::duration kPaced = at9600(20) + 1ns;  // a tool paced to the line, a frame at a time

// 512 bytes fit: 25 frames and 12 bytes of the 26th, which the drop cuts.
const IntakeCase kIntakes[] = {
    {"one_frame", 9600, kNone, {{0, 1}}, 1, at9600(20), 0, 0},
    {"parity_bit", 9600, kOdd, {{0, 1}}, 1, 22916666ns, 0, 0},
    {"at_its_pace", 9600, kNone, {{0, 1, 500, kPaced}}, 500, 499 * kPaced + at9600(20), 0, 0},
    {"flood", 9600, kNone, {{0, 30}}, 25, at9600(500), 12, 88},
    {"dropping_until_emptied", 9600, kNone, {{0, 30}, {300, 1}}, 25, at9600(500), 12, 108},
    {"whole_again_once_emptied", 9600, kNone, {{0, 30}, {600, 1}}, 26, 600ms + at9600(20), 12, 88},
    {"line_without_pace", 0, kNone, {{0, 30}}, 30, 0ns, 0, 0},
};

INSTANTIATE_TEST_SUITE_P(Writes, LineIntake, testing::ValuesIn(kIntakes),
                         [](const auto& info) { return info.param.tag; });

TEST(LineOutput, HoldsNoMoreThanItsBufferHowEverMuchItIsAsked) {
    sim::ModuleLine line({.baud = 9600, .delay = 0ms});
    const Pipe port;
    const proto::Frame reply(proto::kRouteListReplySize, 0x22);
    for (int k = 0; k < 1000; ++k) line.say(kLineStart, reply);
    line.write(port.out.get(), kLineStart + 1h);
    EXPECT_EQ(port.pending(), 2 * reply.size());
    EXPECT_EQ(line.takeOverflows(kLineStart + 999ms, 200), Strings{});
    EXPECT_EQ(line.takeOverflows(kLineStart + 1s, 200),
              Strings{"COM200 output overflow: 998 frames dropped"});
    line.say(kLineStart + 1h, reply);
    line.write(port.out.get(), kLineStart + 2h);
    EXPECT_EQ(port.pending(), reply.size());
}

}  // namespace
