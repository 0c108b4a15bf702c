#pragma once
// One module link under a face (the window or the command line): the open port with its reader
// and writer threads, the receive step's silence rule, the frame reader, typed dispatch,
// continuous sending with its link test, and the memory of how the port was opened, so that a
// device that hung up and returns is opened the same way. It reports what happens through
// EngineEvents, always on the face's thread.
//
// The face drives it: tick() every kTickPeriod while needsTicks() (the receive step, then the
// continuous step), and takeNews() soon after each wake-up. The wake-up is the only thing the
// port's threads call; it must hand over to the face's thread and do nothing else.

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ContinuousSending.h"
#include "EngineEvents.h"
#include "Exchange.h"
#include "Messages.h"
#include "ReceivingPort.h"
#include "RemoteOpening.h"
#include "ReopenMemory.h"
#include "ReplyWatch.h"
#include "RetryWait.h"
#include "SendLoop.h"
#include "ThreadInbox.h"

namespace engine {

class ModuleEngine {
  public:
    using Clock = std::chrono::steady_clock;
    using Wake = std::function<void()>;
    ModuleEngine(EngineEvents& events, Wake wake, Receiving receiving = Receiving::Blocks);
    ~ModuleEngine();
    ModuleEngine(const ModuleEngine&) = delete;
    ModuleEngine& operator=(const ModuleEngine&) = delete;

    // Opens what a name the user gave stands for, as the face resolved it: "COM150",
    // "/dev/ttyUSB0", "tcp://host:4001". Opening ends a watch for a lost port; false with
    // lastError() saying why. A port across the network is connected on the calling thread,
    // which waits for it. Only a COM name is remembered for reopening; a port named otherwise
    // is the face's to look for after a hang-up, and its lost() event names port 0.
    bool open(const ports::PortTarget& target, int baud, proto::Parity parity);
    // The same for a face that must not wait: a local port opens at once, a COM number across
    // the network connects off the face's thread and openingEnded() tells how it went.
    enum class Opening { kOpened, kFailed, kConnecting };
    Opening startOpening(const ports::PortTarget& target, int baud, proto::Parity parity);
    bool isOpening() const;
    // Ends continuous sending (SendingEnd::PortClosed) and any watch for a lost port.
    void close();
    bool isOpen() const;
    std::string lastError() const;
    // How the port was last opened; nothing before the first open.
    std::optional<PortSettings> lastOpened() const;
    // The port object itself, for faces and tests that look at its state.
    ReceivingPort& port() { return *m_port; }

    // From now on a setup, route list or path request with no reply ReplyWatch::kNoReplyAfter
    // after its frame went out is told (noReply).
    void watchReplies() { m_watchingReplies = true; }

    // Every request goes out one way: logged, then handed to the port's writer when a port is
    // open, its reply known by its type and code from then on. A data send counts in the link
    // test (sendAnswered, sendUnanswered).
    //
    // A request nobody waits on: the window's, whose replies come as blocks. Its data send
    // counts only while a link test runs.
    void send(const proto::Request& request);
    // A request a face waits on: exchangeEnded tells its typed reply, or why there is none, at
    // the latest timeout after the line carried it.
    Handed exchange(const proto::Request& request, Clock::duration timeout);
    // The command line's raw: the frame as given, unlogged, its answer read for what it holds.
    Handed exchange(const RawRequest& request, Clock::duration timeout);
    // The face no longer waits on the exchange (Ctrl+C): its end is never told, and a reply to
    // it may answer the next one.
    void forget(int exchange);

    // After a wake-up, on the face's thread: reports frames written whole (frameWritten), a
    // hang-up (lost), frames the writer gave up (notSent) and the end of a connection made off
    // the face's thread.
    void takeNews();
    // One tick: the receive step, then the continuous step.
    void tick();
    // False while nothing is pending and continuous sending is off: the face may sleep until
    // the next wake-up. A face that reads frames sleeps until then or nextDeadline() unless
    // continuous sending runs.
    bool needsTicks() const;

    // A link test of the sends from now on, its figures afresh; a face's own, or continuous
    // sending's, which starts one itself.
    void startLinkTest();
    // Ends it with its figures: a send still waiting within its time-out counts as without a
    // reply, or is left out.
    proto::LinkStatistics finishLinkTest(LinkTrial::Waiting waiting);
    // A send of the link test waits for its confirmation within its time-out.
    bool sendsWaiting() const { return m_sends.waiting(); }
    // When an exchange or a send next runs out of time: a face that waits looks then.
    std::optional<Clock::time_point> nextDeadline() const;

    // Continuous sending: sendDue() once every interval + 1 ticks while a port is open.
    void startContinuous(int intervalTicks);
    // Takes effect at the next tick, as a change of the interval list does.
    void setSendInterval(int intervalTicks);
    // Ends the run with SendingEnd::Stopped; nothing happens when none runs.
    void stopContinuous();
    bool isSending() const;
    int sendCounter() const;  // -1 while continuous sending is off
    int sendInterval() const;

    // The watch for a lost port: the face looks twice a second, and whenever hotplugFd()
    // (-1 when there is none) is readable it calls hotplugNews(). A port across the network is
    // connected again off the face's thread, after a RetryWait from the last attempt.
    bool watchingLostPort() const;
    int hotplugFd() const;
    void hotplugNews();
    void lookForLostPort();
    void stopWatching();

  private:
    // How a frame handed to the port is waited on.
    struct Awaiting {
        int exchange = 0;  // 0: nobody waits on it
        bool send = false;
        bool raw = false;
        Clock::duration timeout{};
    };
    // A frame the port took, until it is written or given up, oldest first.
    struct Unwritten {
        int send = 0;          // its number in the link test; 0 for any other frame
        bool watched = false;  // the reply watch holds it
    };
    // An exchange the reply watch holds.
    struct Awaited {
        bool raw = false;
        Clock::time_point handed{};
    };

    Handed sendFrame(proto::Bytes frame, Awaiting awaiting);
    void endAnswered(const ReplyWatch::Answered& answered, const proto::ReadFrame& frame);
    void endAwaited(const std::vector<int>& exchanges, ExchangeFailure why);
    void takeWriterNews();
    void settle(Clock::time_point now);
    void portGone();
    bool openPort(const ports::PortTarget& target, const PortSettings& settings);
    void remoteEnded(RemoteOpening::Ended ended);
    void lookForLostRemote(const ports::NetworkAddress& address);
    void handleHangup();
    void reportBlock(const serial::ReceivedBlock& block);
    void reportReply(proto::Bytes frame);
    void reportFrames(Clock::time_point now);
    void continuousStep();
    void endContinuous(SendingEnd why);

    EngineEvents& m_events;
    const Wake m_wake;
    const Receiving m_receiving;
    std::atomic<bool> m_hungUp = false;
    ThreadInbox<proto::Frame> m_flushed;  // left by the writer thread
    // Each frame the writer ended, in order: when the line carries it, or nothing when the
    // writer gave it up.
    ThreadInbox<std::optional<Clock::time_point>> m_written;
    std::unique_ptr<ReceivingPort> m_port;
    ContinuousSending m_sending;
    ReopenMemory m_reopen;
    RemoteOpening m_remote{m_wake};
    RetryWait m_retryWait;
    bool m_watchingReplies = false;
    ReplyWatch m_replyWatch;
    SendLoop m_sends{m_events};
    std::deque<Unwritten> m_unwritten;
    std::unordered_map<int, Awaited> m_awaited;
    int m_exchanges = 0;  // the last exchange's number
};

}  // namespace engine
