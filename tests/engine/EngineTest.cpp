// The engine on a real pseudo-terminal, driven as a face drives it: the test ticks, and takes
// the news after the bytes it wrote have come in. Each case is a script of steps and the
// events the engine must report for it, in order.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "AliasedPty.h"
#include "HexBytes.h"
#include "ModuleEngine.h"
#include "PortDirectory.h"
#include "Wait.h"

namespace {

constexpr int kPort = 200;

// A face that writes each event down as a line, and sends data whenever sending is due.
class Trace : public engine::EngineEvents {
  public:
    engine::ModuleEngine* engine = nullptr;
    std::vector<std::string> lines;

  private:
    void requestLogged(const proto::Request& request, proto::Bytes) override {
        lines.push_back(std::holds_alternative<proto::SendDataRequest>(request) ? "logged send"
                                                                                : "logged read");
    }
    void frameSent(proto::Bytes) override { lines.push_back("sent"); }
    void notSent(engine::NotSentReason) override { lines.push_back("not sent"); }
    void blockReceived(proto::Bytes block, std::size_t dropped,
                       std::chrono::steady_clock::time_point) override {
        lines.push_back("block " + proto::hexDigits(block) +
                        (dropped ? " dropped " + std::to_string(dropped) : ""));
    }
    void frameReceived(const proto::Reply&, proto::Bytes frame) override {
        lines.push_back("reply " + proto::hexDigits(frame));
    }
    void frameRead(const proto::ReadFrame& frame) override {
        lines.push_back((frame.unsolicited ? "notice " : "frame ") + proto::hexDigits(frame.bytes) +
                        (frame.checkOk ? "" : " bad check"));
    }
    void sendDue() override {
        lines.push_back("due");
        engine->send(
            proto::SendDataRequest{.target = 2, .jump = 7, .routeMode = 1, .data = {0xAA}});
    }
    void continuousEnded(engine::SendingEnd why, const proto::LinkStatistics& figures) override {
        const char* whyText[] = {"stopped", "closed", "lost"};
        std::ostringstream line;
        line << "ended " << whyText[static_cast<int>(why)] << ": " << figures.sent() << " sent, "
             << figures.ok() << " ok, " << figures.noReply() << " no reply, " << figures.late()
             << " late, " << figures.unmatched() << " unmatched";
        lines.push_back(line.str());
    }
    void lost(int port, const std::string& why) override {
        lines.push_back("lost COM" + std::to_string(port) + ": " + why);
    }
};

template <class Case>
std::string tagName(const testing::TestParamInfo<Case>& info) {
    std::string name = info.param.tag;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

// Frames as the log shows them, without the log's lead.
std::string spaced(const proto::Frame& frame) {
    return proto::hexDump(frame).substr(2);
}

const std::string kSetupReply =
    spaced(withCheck(hexBytes("01 00 82 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00")));
const std::string kNotice = spaced(withCheck(hexBytes("05 00 82 06 00 02 3C 02 00 07")));
const std::string kConfirmation = spaced(withCheck(hexBytes("05 00 81 03 00 02 00")));

// Frames are written as the log shows them, and traced as hex digits.
std::string digits(const std::string& spaced) {
    return proto::hexDigits(hexBytes(spaced));
}

std::string repeated(const std::string& byte, int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += byte + " ";
    return bytes;
}

struct Script {
    const char* tag;
    engine::Receiving receiving;
    std::vector<std::string> steps;
    std::vector<std::string> events;
};

class EngineScript : public testing::TestWithParam<Script> {
  protected:
    void run(const std::string& step) {
        std::istringstream words(step);
        std::string verb;
        words >> verb;
        if (verb == "open") {
            ASSERT_TRUE(
                m_engine.open(ports::PortDirectory().target(kPort), 9600, proto::Parity::kNone));
        } else if (verb == "close") {
            m_engine.close();
        } else if (verb == "read") {
            m_engine.send(proto::ReadSetupRequest{});
        } else if (verb == "start") {
            int interval = 0;
            words >> interval;
            m_engine.startContinuous(interval);
        } else if (verb == "ticks") {
            int count = 0;
            for (words >> count; count > 0; --count) m_engine.tick();
        } else if (verb == "arrive" && GetParam().receiving == engine::Receiving::Frames) {
            // Frames are told as they come, each on a wake-up of its own, and no block is cut:
            // the wait ends once the trace holds what the script expects.
            ASSERT_TRUE(m_line.pty().writeMaster(hexBytes(step.substr(verb.size()))));
            waitUntil([&] {
                m_engine.takeNews();
                return m_trace.lines.size() >= GetParam().events.size();
            });
        } else if (verb == "arrive") {
            const proto::Frame bytes = hexBytes(step.substr(verb.size()));
            serial::ReceiveBuffer& buffer = m_engine.port().receiveBuffer();
            // Wait for every byte, the refused ones too: a full buffer is reached before the
            // reader has counted what it refuses.
            const std::size_t before = buffer.count() + buffer.dropped();
            ASSERT_TRUE(m_line.pty().writeMaster(bytes));
            ASSERT_TRUE(waitUntil(
                [&] { return buffer.count() + buffer.dropped() >= before + bytes.size(); }));
            m_engine.takeNews();
        } else if (verb == "hangup") {
            m_line.pty().closeMaster();
            ASSERT_TRUE(waitUntil([&] { return !m_engine.port().isReading(); }));
            m_engine.takeNews();
        } else {
            FAIL() << "no step " << verb;
        }
    }

    AliasedPty m_line{kPort};
    Trace m_trace;
    engine::ModuleEngine m_engine{m_trace, [] {}, GetParam().receiving};
};

TEST_P(EngineScript, ReportsTheseEvents) {
    m_trace.engine = &m_engine;
    for (const std::string& step : GetParam().steps) {
        SCOPED_TRACE(step);
        run(step);
        if (HasFatalFailure()) return;
    }
    EXPECT_EQ(m_trace.lines, GetParam().events);
}

using engine::Receiving;
const std::string kReplyAfterNotice = kNotice + kSetupReply;
const std::string kSpoiledReply = kSetupReply.substr(0, kSetupReply.size() - 3) + "00 ";

INSTANTIATE_TEST_SUITE_P(
    Engine, EngineScript,
    testing::Values(
        Script{"a request is logged while no port is open",
               Receiving::Blocks,
               {"read"},
               {"logged read"}},
        Script{"three silent ticks leave the block pending",
               Receiving::Blocks,
               {"open", "read", "arrive " + kSetupReply, "ticks 3"},
               {"logged read", "sent"}},
        Script{"the fourth silent tick cuts it",
               Receiving::Blocks,
               {"open", "read", "arrive " + kSetupReply, "ticks 4"},
               {"logged read", "sent", "block " + digits(kSetupReply),
                "reply " + digits(kSetupReply)}},
        // A block of whole, good frames has each dispatched in turn; the link test counts
        // every confirmation the module sent, whatever came before it.
        Script{
            "a notice in front of a confirmation",
            Receiving::Blocks,
            {"open", "start 3", "ticks 4", "arrive " + kNotice + kConfirmation, "ticks 4", "close"},
            {"due", "logged send", "sent", "block " + digits(kNotice + kConfirmation),
             "reply " + digits(kNotice), "reply " + digits(kConfirmation), "due", "logged send",
             "sent", "ended closed: 2 sent, 1 ok, 1 no reply, 0 late, 0 unmatched"}},
        Script{"a reply gathered with a notice",
               Receiving::Blocks,
               {"open", "read", "arrive " + kReplyAfterNotice, "ticks 4"},
               {"logged read", "sent", "block " + digits(kReplyAfterNotice),
                "reply " + digits(kNotice), "reply " + digits(kSetupReply)}},
        // Anything else is read by its first frame, as always.
        Script{"a reply with a byte of noise after it",
               Receiving::Blocks,
               {"open", "read", "arrive " + kNotice + kSetupReply + "00", "ticks 4"},
               {"logged read", "sent", "block " + digits(kNotice + kSetupReply + "00"),
                "reply " + digits(kNotice + kSetupReply + "00")}},
        // As a module behind a pseudo-terminal answers: sooner than the line could carry it.
        Script{"confirmations at once",
               Receiving::Blocks,
               {"open", "start 3", "ticks 4", "arrive " + kConfirmation, "ticks 4",
                "arrive " + kConfirmation, "ticks 1", "close"},
               {"due", "logged send", "sent", "block " + digits(kConfirmation),
                "reply " + digits(kConfirmation), "due", "logged send", "sent",
                "ended closed: 2 sent, 2 ok, 0 no reply, 0 late, 0 unmatched"}},
        Script{"too many bytes for the receive buffer",
               Receiving::Blocks,
               {"open", "arrive " + repeated("00", 1030), "ticks 4"},
               {"block " + digits(repeated("00", 1024)) + " dropped 6"}},
        Script{"a hang-up while sending",
               Receiving::Blocks,
               {"open", "start 3", "ticks 4", "hangup"},
               {"due", "logged send", "sent", "lost COM200: the device hung up",
                "ended lost: 1 sent, 0 ok, 1 no reply, 0 late, 0 unmatched"}},
        Script{
            "frames as soon as they are whole, the notice marked",
            Receiving::Frames,
            {"open", "read", "arrive " + kReplyAfterNotice},
            {"logged read", "sent", "notice " + digits(kNotice), "frame " + digits(kSetupReply)}},
        Script{"the awaited reply spoiled",
               Receiving::Frames,
               {"open", "read", "arrive " + kSpoiledReply},
               {"logged read", "sent", "frame " + digits(kSpoiledReply) + " bad check"}}),
    tagName<Script>);

// A port named as a user names it, and a frame built elsewhere sent on it: the far end gets the
// bytes as given, the news tells when they went out whole, and a hang-up is watched for only
// where a COM number can find the device again.
class WriteTrace : public Trace {
  public:
    std::chrono::steady_clock::time_point done{};

  private:
    void frameWritten(std::chrono::steady_clock::time_point when) override {
        done = when;
        lines.push_back("written");
    }
};

enum class Naming { Com, Path, Nowhere };

struct NamedCase {
    const char* tag;
    Naming naming;
    std::vector<std::string> events;
    bool watched;
};

class NamedPort : public testing::TestWithParam<NamedCase> {
  protected:
    std::string name() {
        switch (GetParam().naming) {
            case Naming::Com:
                return "COM" + std::to_string(kPort);
            case Naming::Path:
                return m_line.pty().slavePath();
            case Naming::Nowhere:
                break;
        }
        return "/dev/meshcfg-no-such-tty";
    }

    AliasedPty m_line{kPort};
    WriteTrace m_trace;
    engine::ModuleEngine m_engine{m_trace, [] {}, engine::Receiving::Frames};
};

TEST_P(NamedPort, OpensSendsRawBytesAndIsLost) {
    const bool opened =
        m_engine.open(ports::PortDirectory().resolve(name()), 9600, proto::Parity::kNone);
    ASSERT_EQ(opened, GetParam().naming != Naming::Nowhere) << m_engine.lastError();
    if (opened) {
        const proto::Frame raw = hexBytes("01 02 FF");
        const auto before = std::chrono::steady_clock::now();
        m_engine.exchange(engine::RawRequest{raw}, std::chrono::seconds(1));
        EXPECT_EQ(m_line.pty().readMaster(raw.size()), raw);
        ASSERT_TRUE(waitUntil([&] {
            m_engine.takeNews();
            return m_trace.done != std::chrono::steady_clock::time_point{};
        }));
        EXPECT_GE(m_trace.done, before);
        m_line.pty().closeMaster();
        ASSERT_TRUE(waitUntil([&] { return !m_engine.port().isReading(); }));
        m_engine.takeNews();
    } else {
        EXPECT_FALSE(m_engine.lastError().empty());
    }
    EXPECT_EQ(m_trace.lines, GetParam().events);
    EXPECT_EQ(m_engine.watchingLostPort(), GetParam().watched);
}

INSTANTIATE_TEST_SUITE_P(
    Engine, NamedPort,
    testing::Values(NamedCase{"a COM name",
                              Naming::Com,
                              {"sent", "written", "lost COM200: the device hung up"},
                              true},
                    NamedCase{"a device path",
                              Naming::Path,
                              {"sent", "written", "lost COM0: the device hung up"},
                              false},
                    NamedCase{"a path that leads nowhere", Naming::Nowhere, {}, false}),
    tagName<NamedCase>);

}  // namespace
