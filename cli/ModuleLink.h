#pragma once
// The port as a script uses it. Exchanges read frames: the reply a request waits for is cut from
// the stream by its type and code, so a receive notice beside it is a frame of its own. The
// monitor reads blocks as the window does, ended by its silence, so that noise shows too.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "CXSerial.h"
#include "FrameReader.h"

class ModuleLink final : public CXSerial {
  public:
    using Clock = std::chrono::steady_clock;
    enum class Reading { kFrames, kBlocks };

    explicit ModuleLink(Reading reading);
    ~ModuleLink() override;
    void OnReceiveByte(unsigned char byte) override;

    // How a wait ended; kArrived fills its out value.
    enum class WaitEnd { kArrived, kTimeOut, kInterrupted, kLost };

    // Names the reply a request about to be written waits for. Frames that came before are
    // handed back: a notice among them is still news.
    std::vector<proto::ReadFrame> startExchange(proto::Bytes request);
    // The next frame cut, notices included.
    WaitEnd awaitFrame(Clock::time_point deadline, proto::ReadFrame& frame);
    std::size_t noiseBytes();

    struct Block {
        std::vector<std::uint8_t> bytes;
        Clock::time_point lastByte;
    };
    // A block ended by the silence rule.
    WaitEnd awaitBlock(Clock::time_point deadline, Block& block);

    // The device hung up since the port was opened, or does so within wait: a write that failed
    // may have failed on the hang-up that the reader is about to report.
    bool lost(std::chrono::milliseconds wait = {});
    // Ready for the next Open after a hang-up.
    void forgetLoss();

  private:
    void onHangUp();
    // What ends any wait before its own condition: a hang-up, Ctrl+C, the deadline.
    std::optional<WaitEnd> waitEnd(Clock::time_point now, Clock::time_point deadline) const;
    Clock::time_point nextWake(Clock::time_point now, Clock::time_point deadline) const;

    const Reading m_reading;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    bool m_lost = false;
    proto::FrameReader m_reader;
    std::deque<proto::ReadFrame> m_frames;
    std::vector<std::uint8_t> m_block;
    Clock::time_point m_lastByte;
};
