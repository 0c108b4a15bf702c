#pragma once
// The port object of the engine: the frame reader, fed on the reader thread with each byte's
// arrival time under a lock of its own, and for a face that reads blocks the receive buffer
// the silence rule cuts.

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "FrameReader.h"
#include "QZSerial.h"

namespace engine {

// How received bytes reach the face.
enum class Receiving {
    Blocks,  // cut by the silence rule, then dispatched (the window)
    Frames,  // each frame as soon as it is whole (scripts waiting for one reply); no blocks
};

class ReceivingPort : public serial::QZSerial {
  public:
    // More frames than a full receive buffer can hold: when nobody takes them (the line never
    // falls silent), the first are kept and the rest let go, so a flood cannot grow memory.
    static constexpr std::size_t kHeldFrames = 256;

    // wake is called on the reader thread when a byte starts a pending block (Blocks), or
    // when a byte or the silence after a stale one completes a frame (Frames).
    ReceivingPort(serial::PortEvents events, Receiving receiving, std::function<void()> wake);
    ~ReceivingPort() override;

    void OnReceiveByte(unsigned char byte) override;

    // The request just handed to the writer, so that its reply is known by its type and code.
    void expectReplyTo(proto::Bytes request);
    // The frames cut so far, oldest first, after dropping the bytes of a frame that stayed
    // incomplete for the reply silence by now.
    std::vector<proto::ReadFrame> takeFrames(proto::FrameReader::Clock::time_point now);
    // The bytes the frame reader skipped as belonging to no frame, since the port object was made.
    std::size_t noiseBytes();
    // The bytes of a frame begun and not yet whole, such as a reply that stopped half-way.
    std::size_t unfinishedBytes();

  protected:
    std::size_t bytesToCome() override;
    bool cutsBySilence() override { return m_receiving == Receiving::Blocks; }
    std::optional<std::chrono::steady_clock::time_point> silenceDue() override;
    void onSilence() override;

  private:
    bool keepCut();  // under m_readerLock; true when a frame was cut

    const Receiving m_receiving;
    const std::function<void()> m_framesWhole;
    std::mutex m_readerLock;
    proto::FrameReader m_reader;
    std::vector<proto::ReadFrame> m_cut;  // taken from the reader, not yet from here
};

}  // namespace engine
