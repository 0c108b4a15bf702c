// Writes the seed corpora of the fuzz targets into DIRECTORY/<target>/:
//   make_seeds DIRECTORY
//
// The seeds are the module protocol's frames as the protocol's own encoders write them: every
// request the tool builds, the replies it decodes (setup, write acknowledgement, a route list,
// a path, send statuses, a receive notice) and the awkward cases around them. The request and
// stream targets read their input through libFuzzer's FuzzedDataProvider, so their seeds are
// laid out the way it takes them apart: integers from the end of the input, highest byte
// first; strings and byte runs from the front, a string ending at a backslash followed by any
// other character.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Messages.h"
#include "SendNames.h"

namespace {

using proto::Frame;

// The first size bytes of a frame, closed by the check byte a short reply would carry.
Frame cut(const Frame& frame, std::size_t size) {
    Frame bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(size));
    bytes.push_back(proto::xorOf(bytes));
    return bytes;
}

Frame joined(Frame first, const Frame& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// An input that FuzzedDataProvider takes apart into the values given, in that order.
class Provider {
  public:
    void text(std::string_view value) {
        for (const char c : value) {
            m_front.push_back(static_cast<std::uint8_t>(c));
            if (c == '\\') m_front.push_back('\\');
        }
        m_front.insert(m_front.end(), {'\\', 'x'});
    }
    void raw(const Frame& bytes) { m_front.insert(m_front.end(), bytes.begin(), bytes.end()); }
    void integer(long value, long low, long high) {
        const unsigned long span = static_cast<unsigned long>(high - low);
        int width = 0;
        while (width < 8 && (span >> (8 * width)) > 0) ++width;
        const unsigned long offset = static_cast<unsigned long>(value - low);
        for (int i = width - 1; i >= 0; --i)
            m_back.push_back(static_cast<std::uint8_t>(offset >> (8 * i)));
    }
    void flag(bool value) { integer(value ? 1 : 0, 0, 255); }
    Frame data() const {
        Frame bytes = m_front;
        bytes.insert(bytes.end(), m_back.rbegin(), m_back.rend());
        return bytes;
    }

  private:
    Frame m_front;
    Frame m_back;  // in the order the values are taken
};

using Seeds = std::vector<std::pair<std::string, Frame>>;

// --- fuzz_reply: a flags byte (bit 0: bytes were dropped), then the block ---------------------

const Frame kSendAuto =
    proto::encode(proto::SendDataRequest{.target = 1, .jump = 7, .routeMode = 1, .data = {1, 2}});

Frame setupReply(std::uint32_t reg, proto::Setup setup = {}) {
    setup.frequencyRegister = reg;
    return proto::encode(proto::SetupReply{setup});
}

Frame routeList() {
    proto::RouteListReply reply{.localNode = 1};
    reply.entries[0] = proto::RouteEntry{0x0102, 0x0003};
    reply.entries[2] = proto::RouteEntry{0x0005, 0x0003};
    reply.entries[proto::kRouteSlots - 1] = proto::RouteEntry{0x0007, 0x0006};
    return proto::encode(reply);
}

Frame path() {
    return proto::encode(proto::PathReply{.localNode = 1, .hops = {{3, 0x32}, {5, 0x4C}}});
}

Frame sendStatus(std::uint8_t status) {
    return proto::encode(proto::SendStatus{1, status});
}

const Frame kReceiveNotice =
    proto::encode(proto::ReceiveNotice{proto::NoticeContent{1, 2, {0xAA, 0xBB}}});

Frame flood() {
    Frame bytes;
    for (int i = 0; i < 1024; ++i) bytes.push_back(static_cast<std::uint8_t>((i * 37 + 11) & 0xFF));
    return bytes;
}

Seeds replySeeds() {
    Frame wrongCheck = kSendAuto;
    wrongCheck.back() ^= 0x01;
    const Seeds blocks = {
        {"request-read-setup", proto::encode(proto::ReadSetupRequest{})},
        {"request-write-setup-initial",
         proto::encode(proto::WriteSetupRequest{{.frequencyRegister = 0x6C8012}})},
        {"request-read-route", proto::encode(proto::RouteListRequest{})},
        {"request-read-path", proto::encode(proto::PathRequest{})},
        {"request-send-auto", kSendAuto},
        {"request-send-source",
         proto::encode(proto::SendDataRequest{
             .target = 10, .jump = 3, .routeMode = 3, .relays = {5, 6}, .data = {0xAA}})},
        {"setup-written", proto::encode(proto::WriteAcknowledgement{})},
        {"setup-written-echo",
         proto::encode(proto::WriteAcknowledgement{proto::Setup{.frequencyRegister = 0x6C8012}})},
        {"setup-reply-434", setupReply(0x6C8012)},
        {"setup-reply-433.5", setupReply(0x6C6012)},
        {"setup-reply-470", setupReply(0x758013)},
        {"setup-reply-915", setupReply(0xE4C026, {.networkId = 0xFFFF})},
        {"setup-reply-outside-lists",
         setupReply(0xFFFFFF,
                    {.powerCode = 0, .lifeCycleCode = 24, .uartRateCode = 8, .parityCode = 3})},
        {"setup-reply-short", cut(setupReply(0x6C8012), 16)},
        {"route-list-full", routeList()},
        {"route-list-all-empty", proto::encode(proto::RouteListReply{.localNode = 1})},
        {"route-list-short", cut(routeList(), 100)},
        {"path-reply", path()},
        {"path-reply-all-empty", proto::encode(proto::PathReply{.localNode = 1})},
        {"path-reply-short", cut(path(), 15)},
        {"send-status-ok", sendStatus(proto::kStatusOk)},
        {"send-status-route-not-found", sendStatus(proto::kStatusRouteNotFound)},
        {"send-status-unknown", sendStatus(0x05)},
        {"send-status-by-module-type",
         proto::buildFrame(proto::kTypeModule, proto::kReplySendStatus,
                           Frame{0x00, 0x01, proto::kStatusCheckError})},
        {"send-status-without-status", cut(sendStatus(proto::kStatusOk), 5)},
        {"receive-notice", kReceiveNotice},
        {"receive-notice-bare", proto::encode(proto::ReceiveNotice{})},
        {"no-handler-85", proto::buildFrame(proto::kTypeModule, 0x85, {})},
        {"single-byte-00", Frame{0x00}},
        {"two-frames-one-block", joined(setupReply(0x6C8012), path())},
        {"wrong-check-byte", wrongCheck},
        {"full-buffer", flood()},
    };
    Seeds seeds;
    for (const auto& [name, block] : blocks) seeds.push_back({name, joined(Frame{0x00}, block)});
    seeds.push_back({"full-buffer-dropped", joined(Frame{0x01}, flood())});
    return seeds;
}

// --- fuzz_request: the controls' contents, in the order the target takes them -----------------

struct Controls {
    std::string target = "1";
    bool ack = false;
    int jump = 6, route = 1, relaying = 0;
    std::vector<std::string> relays = {};  // the rest of the six are empty
    std::string data = "01 02";
    std::string frequency = "434";
    int power = 6, life = 0;
    std::string network = "1", node = "1";
    int baud = 3, parity = 0;
    int capacity = 128;
    int hundredths = 43400;
};

constexpr int kNoSelection = -1;
constexpr int kHighestIndex = 30;

Frame request(const Controls& c) {
    Provider p;
    p.text(c.target);
    p.flag(c.ack);
    for (const int index : {c.jump, c.route, c.relaying}) p.integer(index, -1, kHighestIndex);
    for (std::size_t i = 0; i < proto::kMaxRelays; ++i)
        p.text(i < c.relays.size() ? c.relays[i] : "");
    p.text(c.data);
    p.text(c.frequency);
    for (const int index : {c.power, c.life}) p.integer(index, -1, kHighestIndex);
    p.text(c.network);
    p.text(c.node);
    for (const int index : {c.baud, c.parity}) p.integer(index, -1, kHighestIndex);
    p.integer(c.capacity, 0, 256);
    p.integer(c.hundredths, 13700, 102000);
    return p.data();
}

std::string repeated(std::string_view text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i) all += text;
    return all;
}

Seeds requestSeeds() {
    return {
        {"initial-fields", request({})},
        {"source-two-relays", request({.target = "10",
                                       .jump = 2,
                                       .route = 3,
                                       .relaying = 2,
                                       .relays = {"0005", "0006"},
                                       .data = "AA"})},
        {"force-with-relaying-left-at-3",
         request({.route = 2, .relaying = 3, .relays = {"1", "2", "3"}})},
        {"source-empty-relay-fields", request({.route = 3, .relaying = 2})},
        {"source-no-relay", request({.route = 3, .relaying = 0})},
        {"relays-12-3456", request({.route = 3, .relaying = 2, .relays = {"12", "3456"}})},
        {"relays-123-4567", request({.route = 3, .relaying = 2, .relays = {"123", "4567"}})},
        {"six-relays-longest-data", request({.route = 3,
                                             .relaying = 6,
                                             .relays = std::vector<std::string>(6, "FFFF"),
                                             .data = repeated("5A", 104)})},
        {"longest-data", request({.data = repeated("A5", 117), .capacity = 117})},
        {"data-one-too-long", request({.data = repeated("A5", 118), .capacity = 118})},
        {"data-lower-case", request({.data = "a1b2"})},
        {"data-one-digit", request({.data = "1"})},
        {"data-spaces-only", request({.data = "   "})},
        {"data-pasted-non-hex", request({.data = "0G zz\\\t\n", .capacity = 2})},
        {"nothing-selected", request({.jump = kNoSelection,
                                      .route = kNoSelection,
                                      .relaying = kNoSelection,
                                      .power = kNoSelection,
                                      .life = kNoSelection,
                                      .baud = kNoSelection,
                                      .parity = kNoSelection})},
        {"frequency-433.5", request({.frequency = "433.5", .hundredths = 43350})},
        {"frequency-1020", request({.frequency = "1020", .life = 23, .hundredths = 102000})},
        {"frequency-empty", request({.frequency = "", .network = "", .node = ""})},
        {"frequency-100", request({.frequency = "100", .hundredths = 13700})},
        {"frequency-negative", request({.frequency = "-99", .network = "-1", .node = "65536"})},
        {"frequency-exponent", request({.frequency = "1e400", .network = "99999999999"})},
        {"ids-9999-and-pasted-1A", request({.target = "65535", .network = "9999", .node = "1A"})},
    };
}

// --- fuzz_stream: pieces, each with the silent ticks after it ---------------------------------

constexpr long kShortPiece = 31;
constexpr long kLongPiece = 1100;
constexpr long kMaxGapTicks = 7;

using Piece = std::pair<Frame, int>;  // bytes, then the ticks of silence after them

Frame stream(const std::vector<Piece>& pieces) {
    Provider p;
    for (const auto& [bytes, gap] : pieces) {
        const bool longPiece = static_cast<long>(bytes.size()) > kShortPiece;
        p.flag(longPiece);
        p.integer(static_cast<long>(bytes.size()), 0, longPiece ? kLongPiece : kShortPiece);
        p.integer(gap, 0, kMaxGapTicks);
        p.raw(bytes);
    }
    return p.data();
}

std::vector<Piece> inPieces(const Frame& block, std::size_t size, int gap) {
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < block.size(); i += size) {
        const auto end =
            block.begin() + static_cast<std::ptrdiff_t>(std::min(i + size, block.size()));
        pieces.push_back({Frame(block.begin() + static_cast<std::ptrdiff_t>(i), end), gap});
    }
    return pieces;
}

Seeds streamSeeds() {
    const Frame all = flood();
    const Frame overflowing = joined(all, Frame(all.begin(), all.begin() + 76));
    return {
        {"setup-reply-whole", stream({{setupReply(0x6C8012), 4}})},
        {"route-list-in-pieces-3-ticks-apart", stream(inPieces(routeList(), 31, 3))},
        {"path-reply-byte-by-byte", stream(inPieces(path(), 1, 1))},
        {"replies-4-ticks-apart",
         stream({{setupReply(0x6C8012), 4}, {path(), 4}, {sendStatus(proto::kStatusOk), 5}})},
        {"replies-3-ticks-apart", stream({{sendStatus(proto::kStatusOk), 3}, {kReceiveNotice, 3}})},
        {"flood-beyond-the-buffer", stream({{overflowing, 4}, {Frame{0x42}, 4}})},
        {"overflow-in-pieces", stream(inPieces(joined(flood(), routeList()), 1000, 2))},
    };
}

bool write(const std::filesystem::path& directory, const Seeds& seeds) {
    std::filesystem::create_directories(directory);
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(directory / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "make_seeds: cannot write %s\n", (directory / name).c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIRECTORY\n");
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    std::filesystem::remove_all(corpus);
    const bool written = write(corpus / "fuzz_reply", replySeeds()) &&
                         write(corpus / "fuzz_request", requestSeeds()) &&
                         write(corpus / "fuzz_stream", streamSeeds());
    return written ? 0 : 1;
}
