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
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ContinuousSending.h"
#include "EngineEvents.h"
#include "Messages.h"
#include "ReceivingPort.h"
#include "RemoteOpening.h"
#include "ReopenMemory.h"
#include "ReplyWatch.h"
#include "RetryWait.h"
#include "ThreadInbox.h"

namespace engine {

// How received bytes reach the face.
enum class Receiving {
    Blocks,  // cut by the silence rule, then dispatched (the window)
    Frames,  // each frame as soon as it is whole (scripts waiting for one reply)
};

class ModuleEngine {
  public:
    using Wake = std::function<void()>;
    ModuleEngine(EngineEvents& events, Wake wake, Receiving receiving = Receiving::Blocks);
    ~ModuleEngine();
    ModuleEngine(const ModuleEngine&) = delete;
    ModuleEngine& operator=(const ModuleEngine&) = delete;

    // Opening ends a watch for a lost port; false with lastError() saying why. A port across
    // the network is connected on the calling thread, which waits for it.
    bool open(const PortSettings& settings);
    // The same for a face that must not wait: a local port opens at once, a port across the
    // network connects off the face's thread and openingEnded() tells how it went.
    enum class Opening { kOpened, kFailed, kConnecting };
    Opening startOpening(const PortSettings& settings);
    // What a name the user gave stands for: "COM150", "/dev/ttyUSB0", "tcp://host:4001". Only
    // a COM name is remembered for reopening; a port named otherwise is the face's to look for
    // after a hang-up, and its lost() event names port 0.
    bool open(const PortTarget& target, int baud, Parity parity);
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

    // Logs the request, and hands its frame to the port's writer when a port is open.
    void send(const proto::Request& request);
    // Hands a frame built elsewhere (raw bytes from a user) to the port's writer, unlogged; its
    // reply is still known by its type and code. Nothing happens while no port is open.
    void sendFrame(proto::Bytes frame);

    // After a wake-up, on the face's thread: reports frames written whole (frameWritten), a
    // hang-up (lost), frames the writer gave up (notSent) and the end of a connection made off
    // the face's thread.
    void takeNews();
    // One tick: the receive step, then the continuous step.
    void tick();
    // False while nothing is pending and continuous sending is off: the face may sleep until
    // the next wake-up.
    bool needsTicks() const;

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
    bool openPort(const PortTarget& target, const PortSettings& settings);
    void remoteEnded(RemoteOpening::Ended ended);
    void lookForLostRemote(const NetworkAddress& address);
    void handleHangup();
    void countSend();
    void reportBlock(const ReceivedBlock& block);
    void reportReply(proto::Bytes frame);
    void reportFrames(std::chrono::steady_clock::time_point now);
    void reportOverdueReplies(std::chrono::steady_clock::time_point now);
    void countConfirmation(const proto::ReadFrame& frame);
    void continuousStep(std::chrono::steady_clock::time_point now);
    void endContinuous(SendingEnd why);

    EngineEvents& m_events;
    const Wake m_wake;
    const Receiving m_receiving;
    std::atomic<bool> m_hungUp = false;
    std::atomic<int> m_framesGivenUp = 0;
    ThreadInbox<proto::Frame> m_flushed;  // left by the writer thread
    ThreadInbox<std::chrono::steady_clock::time_point> m_written;
    std::unique_ptr<ReceivingPort> m_port;
    ContinuousSending m_sending;
    ReopenMemory m_reopen;
    RemoteOpening m_remote{m_wake};
    RetryWait m_retryWait;
    bool m_watchingReplies = false;
    ReplyWatch m_replyWatch;
};

}  // namespace engine
