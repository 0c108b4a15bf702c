#pragma once
// Cuts the received byte stream into frames, each with the time its last byte arrived. A frame
// ends where its type and code fix it or else where its own length byte says (ReplyEnd.h);
// bytes that begin no frame are noise and skipped, so one bad byte never costs the frames
// after it. Receive notices come unasked and are marked so that no one takes one for a reply.

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "Frame.h"
#include "ReplyEnd.h"

namespace proto {

struct ReadFrame {
    using Clock = std::chrono::steady_clock;
    Frame bytes;
    Clock::time_point arrived;  // of its last byte
    bool checkOk = true;        // false only for the awaited reply, whole but spoiled
    bool unsolicited = false;   // a receive notice
};

// Not thread-safe: its owner guards it.
class FrameReader {
  public:
    using Clock = ReadFrame::Clock;

    // The request just sent: its reply, whole but with a wrong check byte, is still a frame (a
    // bad reply), where any other spoiled frame is noise.
    void expectReplyTo(Bytes request);

    void push(Bytes bytes, Clock::time_point arrived);

    // Bytes that began a frame and stayed incomplete for the reply silence will never be one:
    // they are dropped as noise and what follows them is cut again. The awaited reply's are
    // kept for its rest, since a loaded machine can hand a line's bytes on later than the
    // silence although the module sent them without a pause: they go only once a whole awaited
    // reply lies behind their first byte, or another reply is awaited. The exchange's time-out
    // bounds the wait.
    void flushStale(Clock::time_point now);
    // When flushStale would next drop a byte if none came meanwhile; nothing while no frame is
    // begun, or while the one begun is the awaited reply's, kept for its rest.
    std::optional<Clock::time_point> staleAt() const;

    // Frames cut so far, oldest first.
    std::vector<ReadFrame> take();

    std::size_t noiseBytes() const { return m_noiseBytes; }
    // The bytes of a frame begun and not yet whole.
    std::size_t unfinishedBytes() const { return m_pending.size(); }
    // The fewest bytes still to come before the frame begun can be cut (its header's rest
    // while its size is unknown); 0 when no frame is begun.
    std::size_t bytesToCome() const;

  private:
    void cut();
    void dropNoise(std::size_t count);
    bool answersAwaited(Bytes frame) const;  // by its header, whatever its check byte
    bool awaitedReplyBehindHead() const;     // whole, with a good check byte

    Frame m_pending;                            // bytes not yet cut, oldest first
    std::vector<Clock::time_point> m_arrivals;  // one per pending byte
    std::optional<ExpectedReply> m_awaited;
    std::vector<ReadFrame> m_frames;
    std::size_t m_noiseBytes = 0;
};

}  // namespace proto
