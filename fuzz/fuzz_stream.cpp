// The receive stream: bytes arrive in pieces with gaps of whole 100 ms ticks between them,
// as the reader thread and the window's timer interleave. The blocks that the receive step
// delivers must be exactly those of the silence rule, computed here from the arrival times
// alone: a block ends when the next byte comes 4 or more ticks after the previous one, and
// is delivered on the 4th tick after its last byte; of a block's bytes the first 1024 are
// kept and the rest are counted as dropped. A mismatch aborts.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "ReceiveBuffer.h"

namespace {

constexpr std::size_t kCapacity = 1024;
constexpr std::size_t kSilenceTicks = 4;  // ticks after a block's last byte that deliver it
constexpr int kMaxGapTicks = 7;
constexpr std::size_t kShortPiece = 31;
constexpr std::size_t kLongPiece = 1100;  // one piece can overflow the buffer

void require(bool condition) {
    if (!condition) std::abort();
}

struct Arrival {
    std::size_t ticksBefore;  // ticks run before the byte arrived
    std::uint8_t byte;
};

struct Delivery {
    std::size_t tick;  // 1 for the first tick run
    std::vector<std::uint8_t> bytes;
    std::size_t dropped;
    bool operator==(const Delivery&) const = default;
};

std::vector<Delivery> silenceRule(const std::vector<Arrival>& arrivals) {
    std::vector<Delivery> blocks;
    std::vector<std::uint8_t> gathered;
    for (std::size_t i = 0; i < arrivals.size(); ++i) {
        gathered.push_back(arrivals[i].byte);
        const bool last = i + 1 == arrivals.size() ||
                          arrivals[i + 1].ticksBefore >= arrivals[i].ticksBefore + kSilenceTicks;
        if (!last) continue;
        const std::size_t kept = std::min(gathered.size(), kCapacity);
        blocks.push_back({arrivals[i].ticksBefore + kSilenceTicks,
                          {gathered.begin(), gathered.begin() + kept},
                          gathered.size() - kept});
        gathered.clear();
    }
    return blocks;
}

class Stream {
  public:
    void arrive(const std::vector<std::uint8_t>& piece) {
        for (std::uint8_t byte : piece) {
            m_buffer.append(byte);
            m_arrivals.push_back({m_ticks, byte});
        }
        requireBounds();
    }

    void tick() {
        ++m_ticks;
        if (std::optional<serial::ReceivedBlock> block = m_buffer.tick()) {
            require(!block->bytes.empty());
            m_delivered.push_back({m_ticks, std::move(block->bytes), block->dropped});
        }
        requireBounds();
    }

    void finish() {
        for (std::size_t i = 0; i <= kSilenceTicks; ++i) tick();
        require(m_buffer.idleCounter() == serial::ReceiveBuffer::kIdle && m_buffer.count() == 0);
        require(m_delivered == silenceRule(m_arrivals));

        // Nothing lost, doubled or reordered: the blocks joined are the input, less the
        // bytes reported as dropped.
        std::size_t accounted = 0;
        std::size_t dropped = 0;
        std::vector<std::uint8_t> joined;
        for (const Delivery& block : m_delivered) {
            joined.insert(joined.end(), block.bytes.begin(), block.bytes.end());
            accounted += block.bytes.size() + block.dropped;
            dropped += block.dropped;
        }
        require(accounted == m_arrivals.size());
        if (dropped > 0) return;
        require(joined.size() == m_arrivals.size());
        for (std::size_t i = 0; i < joined.size(); ++i) require(joined[i] == m_arrivals[i].byte);
    }

  private:
    void requireBounds() const {
        require(m_buffer.count() <= kCapacity);
        const int idle = m_buffer.idleCounter();
        require(idle >= serial::ReceiveBuffer::kIdle && idle < static_cast<int>(kSilenceTicks));
    }

    serial::ReceiveBuffer m_buffer;
    std::size_t m_ticks = 0;
    std::vector<Arrival> m_arrivals;
    std::vector<Delivery> m_delivered;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    Stream stream;
    while (input.remaining_bytes() > 0) {
        const std::size_t longest = input.ConsumeBool() ? kLongPiece : kShortPiece;
        const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, longest);
        const int gap = input.ConsumeIntegralInRange<int>(0, kMaxGapTicks);
        stream.arrive(input.ConsumeBytes<std::uint8_t>(length));
        for (int i = 0; i < gap; ++i) stream.tick();
    }
    stream.finish();
    return 0;
}
