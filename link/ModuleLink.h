#pragma once
// The port as a script uses it: a face on engine::ModuleEngine, which owns the port and the
// frame reader. Exchanges read frames: the reply a request waits for is cut from the stream by
// its type and code, so a receive notice beside it is a frame of its own. The monitor reads
// blocks as the window does, ended by its silence, so that noise shows too. Every wait runs the
// engine on the calling thread; the port's threads only wake it.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "LineSettings.h"
#include "ModuleEngine.h"

class ModuleLink final : private engine::EngineEvents {
  public:
    using Clock = std::chrono::steady_clock;
    enum class Reading { kFrames, kBlocks };

    explicit ModuleLink(Reading reading);

    // What a name the user gave stands for: "COM150", "/dev/ttyUSB0", "tcp://host:4001".
    // Opening again after a hang-up starts with no loss known.
    bool open(const PortTarget& target, int baud, Parity parity);
    void close();
    std::string lastError() const;
    CXSerial::LineControl lineControl();
    // Why the port was lost, in plain words.
    const std::string& lostReason() const { return m_lostReason; }

    // How a wait ended; kArrived fills its out value.
    enum class WaitEnd { kArrived, kTimeOut, kInterrupted, kLost };

    // The frames that came since the last exchange: a notice among them is still news.
    std::vector<proto::ReadFrame> startExchange();
    // Hands the request to the port and waits until it has gone out whole; written is when the
    // line carries its last byte.
    // kTimeOut: the port did not take it, or took no data for its writer's waits. Ctrl+C waits
    // for that too, so that the caller knows whether the request went out.
    WaitEnd write(proto::Bytes request, Clock::time_point& written);
    // The next frame cut, notices included; kTimeOut too when another thread cut the wait short.
    WaitEnd awaitFrame(Clock::time_point deadline, proto::ReadFrame& frame);
    // From any thread: the frame wait under way, or else the next one, ends at once, so that
    // the thread in it can turn to what it was handed.
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
    void frameSent(proto::Bytes frame) override;
    void notSent(engine::NotSentReason reason) override;
    void frameWritten(Clock::time_point onWire) override;
    void frameRead(const proto::ReadFrame& frame) override;
    void blockReceived(proto::Bytes block, std::size_t dropped,
                       Clock::time_point lastArrival) override;
    void lost(int port, const std::string& why) override;

    void wake();
    // Runs the engine until ready() holds, or a hang-up, Ctrl+C (when heeded) or the deadline
    // ends the wait.
    enum class OnInterrupt { kEnd, kWait };
    WaitEnd pump(Clock::time_point deadline, const std::function<bool()>& ready,
                 OnInterrupt onInterrupt = OnInterrupt::kEnd);
    void sleepUntil(Clock::time_point until);
    void tickOnTime(Clock::time_point now);

    const Reading m_reading;
    std::mutex m_wakeLock;
    std::condition_variable m_wakeUp;
    bool m_woken = false;  // under m_wakeLock
    std::atomic<bool> m_frameWaitCut{false};
    Clock::time_point m_nextTick;
    int m_unwritten = 0;  // frames the port took that have not gone out whole
    bool m_writeFailed = false;
    Clock::time_point m_lastWritten;
    bool m_lost = false;
    std::string m_lostReason;
    std::deque<proto::ReadFrame> m_frames;
    std::deque<Block> m_blocks;
    // Last: its port's threads end before what they wake.
    engine::ModuleEngine m_engine;
};
