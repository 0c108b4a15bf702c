#pragma once
// The port as a script uses it: a blocking face on engine::ModuleEngine, which owns the port,
// the frame reader, the exchanges and the link test's matching. An exchange waits for the
// engine to end it: the reply a request waits for is cut from the stream by its type and code,
// so a receive notice beside it is a frame of its own. A link test's sends go out one by one and
// their confirmations come as news. The monitor reads blocks as the window does, ended by its
// silence, so that noise shows too. Every wait runs the engine on the calling thread; the
// port's threads only wake it.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "FileDescriptor.h"
#include "LineSettings.h"
#include "ModuleEngine.h"

namespace modlink {

class ModuleLink final : private engine::EngineEvents {
  public:
    using Clock = std::chrono::steady_clock;
    enum class Reading { kFrames, kBlocks };

    explicit ModuleLink(Reading reading);

    // What a name the user gave stands for: "COM150", "/dev/ttyUSB0", "tcp://host:4001".
    // Opening again after a hang-up starts with no loss known.
    bool open(const ports::PortTarget& target, int baud, proto::Parity parity);
    void close();
    std::string lastError() const;
    serial::CXSerial::LineControl lineControl();
    // Why the port was lost, in plain words.
    const std::string& lostReason() const { return m_lostReason; }

    using NoticeHandler = std::function<void(const proto::ReadFrame&)>;
    // The request, and how the engine ended it: its typed reply, or why there is none within
    // timeout after the line carried it. Notices that came before it and while it waits go to
    // onNotice as they come; other frames from before it are nobody's. Ctrl+C before the request
    // is handed over ends it unsent (Interrupted); after, the wait goes on until the request is
    // written whole, so that the caller knows whether it went out, and Ctrl+C then ends it.
    engine::ExchangeEnd exchange(const proto::Request& request, Clock::duration timeout,
                                 const NoticeHandler& onNotice);
    // The command line's raw: the bytes as given.
    engine::ExchangeEnd exchange(const engine::RawRequest& request, Clock::duration timeout,
                                 const NoticeHandler& onNotice);

    // How a wait ended; kArrived fills its out value.
    enum class WaitEnd { kArrived, kTimeOut, kInterrupted, kLost };

    // A link test: the figures of the sends posted from now on.
    void startLinkTest() { m_engine.startLinkTest(); }
    proto::LinkStatistics finishLinkTest(engine::LinkTrial::Waiting waiting) {
        return m_engine.finishLinkTest(waiting);
    }
    // A send posted waits for its confirmation within its time-out.
    bool sendsWaiting() const { return m_engine.sendsWaiting(); }
    struct Posted {
        int send = 0;               // its number in the link test
        Clock::time_point written;  // when the line carries its last byte
    };
    // Hands the send to the port and waits until it has gone out whole; its confirmation, or
    // the end of its time-out, comes later as news. kTimeOut: the port did not take it, or took
    // no data for its writer's waits. Ctrl+C waits for that too, so that the caller knows
    // whether the send went out.
    WaitEnd post(const proto::SendDataRequest& send, Clock::duration timeout, Posted& posted);

    // A confirmation the link test counted, with its frame.
    struct SendAnswer {
        engine::LinkTrial::Answer answer;
        proto::ReadFrame frame;
    };
    // A send whose time-out ended without its confirmation.
    struct SendUnanswered {
        int send = 0;
    };
    // What came, oldest first: each frame cut (notices included), and the link test's counts.
    using News = std::variant<proto::ReadFrame, SendAnswer, SendUnanswered>;
    // The next news; kTimeOut too when another thread cut the wait short.
    WaitEnd awaitNews(Clock::time_point deadline, News& news);
    // The next frame cut, notices included; the link test's counts are let go.
    WaitEnd awaitFrame(Clock::time_point deadline, proto::ReadFrame& frame);
    // From any thread: the wait under way, or else the next one, ends at once, so that the
    // thread in it can turn to what it was handed.
    void cutFrameWait();
    std::size_t noiseBytes();
    std::size_t unfinishedBytes();

    struct Block {
        std::vector<std::uint8_t> bytes;
        std::size_t dropped = 0;  // bytes that found the receive buffer full
        Clock::time_point lastByte;
    };
    // A block ended by the silence rule; one cut short by a hang-up or Ctrl+C is still given
    // before the wait ends for that (Ctrl+C closes the port, so that the block ends).
    WaitEnd awaitBlock(Clock::time_point deadline, Block& block);

  private:
    void notSent(engine::NotSentReason reason) override;
    void frameWritten(Clock::time_point onWire) override;
    void frameRead(const proto::ReadFrame& frame) override;
    void exchangeEnded(int exchange, const engine::ExchangeEnd& end) override;
    void sendAnswered(const engine::LinkTrial::Answer& answer,
                      const proto::ReadFrame& frame) override;
    void sendUnanswered(int send) override;
    void blockReceived(proto::Bytes block, std::size_t dropped,
                       Clock::time_point lastArrival) override;
    void lost(int port, const std::string& why) override;

    engine::ExchangeEnd await(const std::function<engine::Handed()>& handOver,
                              const NoticeHandler& onNotice);
    // Hands a frame over and waits until it is written whole: false when it is not.
    bool handAndWrite(const std::function<engine::Handed()>& handOver, engine::Handed& handed);
    void keep(News news, bool notice);
    void tellNotices(const NoticeHandler& onNotice);
    void settledUpTo(int exchange);

    void wake();
    // Runs the engine until ready() holds, or a hang-up, Ctrl+C (when heeded) or the deadline
    // ends the wait.
    enum class OnInterrupt { kEnd, kWait };
    WaitEnd pump(Clock::time_point deadline, const std::function<bool()>& ready,
                 OnInterrupt onInterrupt = OnInterrupt::kEnd);
    void sleepUntil(Clock::time_point until, OnInterrupt onInterrupt);
    void tickOnTime(Clock::time_point now);

    const Reading m_reading;
    files::FileDescriptor m_wakeFd;  // an eventfd, readable once woken
    std::atomic<bool> m_frameWaitCut{false};
    Clock::time_point m_nextTick;
    int m_framesWritten = 0;  // frames that went out whole since the link was made
    bool m_writeFailed = false;
    Clock::time_point m_lastWritten;
    bool m_lost = false;
    std::string m_lostReason;
    std::deque<News> m_news;
    // The ends of exchanges after the last one waited on or posted: the one handed over now.
    std::map<int, engine::ExchangeEnd> m_ends;
    int m_settled = 0;
    std::deque<Block> m_blocks;
    // Last: its port's threads end before what they wake.
    engine::ModuleEngine m_engine;
};

}  // namespace modlink
