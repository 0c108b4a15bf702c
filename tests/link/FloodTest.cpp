// A module that floods the line with receive notices faster than they can be told: a request's
// wait still ends at its deadline, and the notices held meanwhile stay bounded.

#include <gtest/gtest.h>

#include <thread>

#include "Messages.h"
#include "NoticeFlood.h"
#include "PtyPair.h"
#include "Session.h"

namespace {

// Far more notices than the wait can tell before its deadline.
constexpr int kFloodNotices = 3000;
// A terminal that takes a notice's line this slowly is far behind a line at full speed.
constexpr std::chrono::milliseconds kSlowTerminal{2};
constexpr int kTimeoutMs = 100;

TEST(NoticeFlood, TheWaitEndsAtItsDeadlineWithBoundedNoticesTold) {
    PtyPair pty;
    modlink::CommonOptions options;
    options.port = pty.slavePath();
    options.timeoutMs = kTimeoutMs;
    modlink::Session session(options, ports::PortDirectory().resolve(options.port));
    int told = 0;
    session.onNotice([&told](const proto::ReadFrame&) {
        ++told;
        std::this_thread::sleep_for(kSlowTerminal);
    });
    NoticeFlood flood(pty.masterFd(), kFloodNotices);
    const modlink::Session::Exchange exchange = session.exchange(proto::ReadSetupRequest{});
    EXPECT_EQ(exchange.failure, engine::ExchangeFailure::NoReply);
    // The notices held when the request went, those told before the deadline and at most the
    // notices held when it passed.
    const int held = static_cast<int>(engine::ReceivingPort::kHeldFrames);
    EXPECT_LE(told, held + kTimeoutMs / static_cast<int>(kSlowTerminal.count()) + held);
}

}  // namespace
