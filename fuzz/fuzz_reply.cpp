// Reply blocks as the receive step delivers them, through the calls the main window's block
// handler makes: hex dump; nothing more when bytes were dropped; else check, dispatch code
// and the decoders. Every decoder sees every block, whatever its code, so that none relies
// on the dispatcher to keep it inside the block. Each result is compared with a model of the
// reply layouts written here; a mismatch aborts.
//
// Input: one flags byte, then the block (1 to 1024 bytes).
//   bit 0: the receive buffer overflowed while the block was gathered
//   bit 1: the block's last byte is replaced by its check byte, so that it passes the check

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ControlTexts.h"
#include "Dispatch.h"
#include "Frame.h"
#include "RouteLabels.h"
#include "SendNames.h"

namespace {

using proto::Bytes;

constexpr std::size_t kMaxBlock = 1024;
constexpr std::uint8_t kFlagDropped = 0x01;
constexpr std::uint8_t kFlagFixCheck = 0x02;

constexpr std::uint16_t kEmptyNode = 0xFFFF;

void require(bool condition) {
    if (!condition) std::abort();
}

std::uint8_t xorAll(Bytes block) {
    std::uint8_t x = 0;
    for (std::uint8_t b : block) x ^= b;
    return x;
}

std::uint16_t be16(Bytes block, std::size_t offset) {
    return static_cast<std::uint16_t>(block[offset] * 256 + block[offset + 1]);
}

std::string decimal(unsigned value) {
    return std::to_string(value);
}

// Fields are taken only from the bytes before the check byte.
std::size_t fieldBytes(Bytes block) {
    return block.size() - 1;
}

bool fits(Bytes block, std::size_t offset, std::size_t width) {
    return offset + width <= fieldBytes(block);
}

int upperHexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    std::abort();
}

void checkHexDump(Bytes block) {
    const std::string dump = proto::hexDump(block);
    require(dump.size() == 2 + 3 * block.size());
    require(dump.compare(0, 2, "> ") == 0);
    for (std::size_t i = 0; i < block.size(); ++i) {
        const std::size_t cell = 2 + 3 * i;
        require(upperHexDigit(dump[cell]) * 16 + upperHexDigit(dump[cell + 1]) == block[i]);
        require(dump[cell + 2] == ' ');
    }
}

// A valid frame XORs to 0 as a whole, check byte included.
void checkDispatch(Bytes block) {
    const bool passes = xorAll(block) == 0;
    require(proto::blockPassesCheck(block) == passes);
    std::uint8_t expected = proto::kNotDispatched;
    if (passes && block.size() >= 3) {
        if (block[0] == 0x01) expected = block[2];
        if (block[0] == 0x05) expected = block[2] == 0x82 ? 0x8A : 0x89;
    }
    require(proto::dispatchCode(block) == expected);
}

// No wrap-around in the bound check, whatever the offset and width.
void checkFieldBounds(Bytes block) {
    const std::size_t n = block.size();
    const std::size_t huge = static_cast<std::size_t>(-1);
    require(!proto::fieldsPresent(block, huge, 2));
    require(!proto::fieldsPresent(block, 2, huge));
    require(!proto::fieldsPresent(block, huge, huge));
    require(proto::fieldsPresent(block, 0, n - 1));
    require(!proto::fieldsPresent(block, 0, n));
    require(!proto::fieldsPresent(block, n, 0));
}

double parseTwoDecimals(const std::string& text) {
    const std::size_t point = text.find('.');
    require(point != std::string::npos && point > 0 && point + 3 == text.size());
    double value = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == point) continue;
        require(text[i] >= '0' && text[i] <= '9');
        value = value * 10 + (text[i] - '0');
    }
    return value / 100;
}

// The read side shows the register truncated to two decimals; a text from 137.00 to 1020.00
// written back and read again must show the same text.
void checkFrequency(Bytes block, const std::string& text) {
    const std::uint32_t reg = block[6] << 16 | block[7] << 8 | block[8];
    const double mhz = reg * 61.03515625 / 1000000.0;
    const double shown = parseTwoDecimals(text);
    require(shown <= mhz + 1e-6 && mhz - shown < 0.01 + 1e-6);
    if (shown < 137.0 || shown > 1020.0) return;
    const proto::Frame written =
        proto::encode(proto::WriteSetupRequest{forms::setupOf({.frequencyText = text})});
    const auto again = proto::setupValuesIn(written);
    require(again && forms::setupFieldsOf(*again).frequencyText == text);
}

void checkSetup(Bytes block) {
    const auto setup = proto::setupValuesIn(block);
    require(setup.has_value() == (block.size() >= 18));
    if (!setup) return;
    const auto values = forms::setupFieldsOf(*setup);
    checkFrequency(block, values.frequencyText);
    require(values.powerIndex == block[9] - 1);
    require(values.lifeCycleIndex == block[10]);
    require(values.networkIdText == decimal(be16(block, 11)));
    require(values.nodeIdText == decimal(be16(block, 13)));
    require(values.baudIndex == block[15]);
    require(values.parityIndex == block[16]);
}

// A dispatched route list reply: 40 entries of 9 bytes from offset 8; an entry is used when its
// route node (entry bytes 3-4) is not FFFF; an entry not wholly inside the block is not used.
void checkRouteList(Bytes block) {
    const auto list = forms::decodeRouteList(block);
    require(list.has_value() == (proto::dispatchCode(block) == 0x83 && fits(block, 4, 2)));
    if (!list) return;
    require(list->localNode == decimal(be16(block, 4)));
    require(list->routeNodes.size() == list->targetNodes.size());
    const std::size_t entriesInBlock = fieldBytes(block) >= 8 ? (fieldBytes(block) - 8) / 9 : 0;
    require(list->routeNodes.size() <= 40 && list->routeNodes.size() <= entriesInBlock);
    std::size_t used = 0;
    for (std::size_t i = 0; i < 40 && fits(block, 8 + 9 * i, 9); ++i) {
        const std::size_t entry = 8 + 9 * i;
        if (be16(block, entry + 3) == kEmptyNode) continue;
        require(used < list->routeNodes.size());
        require(list->routeNodes[used] == decimal(be16(block, entry + 3)));
        require(list->targetNodes[used] == decimal(be16(block, entry)));
        ++used;
    }
    require(used == list->routeNodes.size());
}

// A dispatched path reply: local node at offset 5, then 8 hops of 3 bytes (link value, node id)
// from offset 7, listed from hop 7 down to hop 0; a hop not wholly inside the block is empty.
void checkPathList(Bytes block) {
    const auto path = forms::decodePathList(block);
    // A path is drawn only from a whole reply: a cut one would invent a link.
    require(path.has_value() == (proto::dispatchCode(block) == 0x88 && fits(block, 7, 8 * 3)));
    if (!path) return;
    require(path->pathNodes.size() == path->linkValues.size() + 1);
    require(path->pathNodes.size() <= 9);
    require(path->pathNodes[0] == decimal(be16(block, 5)));
    std::size_t used = 0;
    for (std::size_t i = 8; i-- > 0;) {
        const std::size_t hop = 7 + 3 * i;
        if (be16(block, hop + 1) == kEmptyNode) continue;
        require(used < path->linkValues.size());
        require(path->pathNodes[1 + used] == decimal(be16(block, hop + 1)));
        require(path->linkValues[used] == "-" + decimal(block[hop]));
        ++used;
    }
    require(used == path->linkValues.size());
}

// The status handler reads byte 6 only when it lies before the check byte.
void checkSendStatus(Bytes block) {
    const bool present = proto::fieldsPresent(block, proto::kSendStatusOffset, 1);
    require(present == fits(block, 6, 1));
    if (!present) return;
    const std::string_view text = proto::statusText(block[proto::kSendStatusOffset]);
    require(text.empty() || !text.starts_with("> "));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > 1 + kMaxBlock) return -1;
    const std::uint8_t flags = data[0];
    // An exact-size copy: a read past the block's end is a heap overflow.
    std::vector<std::uint8_t> bytes(data + 1, data + size);
    if (flags & kFlagFixCheck) {
        bytes.back() = xorAll(Bytes(bytes).first(bytes.size() - 1));
    }
    const Bytes block(bytes);

    checkHexDump(block);
    if (flags & kFlagDropped) return 0;  // the window logs the loss and decodes nothing
    checkDispatch(block);
    checkFieldBounds(block);
    checkSetup(block);
    checkRouteList(block);
    checkPathList(block);
    checkSendStatus(block);
    return 0;
}
