#pragma once
// The port object of the engine: the receive buffer the silence rule cuts, and beside it the
// frame reader, fed on the reader thread with each byte's arrival time under a lock of its own.

#include <functional>
#include <mutex>
#include <vector>

#include "FrameReader.h"
#include "QZSerial.h"

namespace engine {

class ReceivingPort : public serial::QZSerial {
  public:
    // More frames than a full receive buffer can hold: when nobody takes them (the line never
    // falls silent), the first are kept and the rest let go, so a flood cannot grow memory.
    static constexpr std::size_t kHeldFrames = 256;

    // framesWhole is called on the reader thread when a byte completes a frame.
    ReceivingPort(serial::PortEvents events, std::function<void()> blockPending,
                  std::function<void()> framesWhole);
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

  private:
    const std::function<void()> m_framesWhole;
    std::mutex m_readerLock;
    proto::FrameReader m_reader;
    std::vector<proto::ReadFrame> m_cut;  // taken from the reader, not yet from here
};

}  // namespace engine
