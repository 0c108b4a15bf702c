#include "FrameDescription.h"

#include <optional>
#include <type_traits>
#include <variant>
#include <vector>

#include "ControlTexts.h"
#include "Dispatch.h"
#include "Messages.h"
#include "RouteLabels.h"
#include "SendNames.h"
#include "SetupNames.h"

namespace forms {

// Every word here names a field of the wire.
using namespace proto;

namespace {

// What one frame is ("Setup reply") and what it says ("frequency 434.00 MHz, ...").
struct Words {
    std::string name;
    std::string details{};
};

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string count(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The name a code stands for, or the raw index where the table has none.
template <typename Table>
std::string entryOf(const Table& table, int index) {
    if (index < 0 || index >= static_cast<int>(table.size())) {
        return "index " + std::to_string(index);
    }
    if constexpr (std::is_arithmetic_v<typename Table::value_type>) {
        return std::to_string(table[index]);
    } else {
        return std::string(table[index]);
    }
}

std::string lifeCycleEntry(int index) {
    return index >= 0 && index < kLifeCycles ? lifeCycleName(index)
                                             : "index " + std::to_string(index);
}

std::string setupDetails(Bytes frame) {
    const std::optional<Setup> setup = setupValuesIn(frame);
    if (!setup) return "cut short";
    const SetupFields values = setupFieldsOf(*setup);
    return "frequency " + values.frequencyText + " MHz, power " +
           std::to_string(values.powerIndex + 1) + ", life cycle " +
           lifeCycleEntry(values.lifeCycleIndex) + ", network id " + values.networkIdText +
           ", node id " + values.nodeIdText + ", UART " +
           entryOf(kUartBaudRates, values.baudIndex) + " " +
           entryOf(kParityNames, values.parityIndex);
}

std::string sendDataDetails(Bytes frame) {
    const std::optional<Request> decoded = decodeRequest(frame);
    const auto* request = decoded ? std::get_if<SendDataRequest>(&*decoded) : nullptr;
    if (!request) return "fields do not match the length byte";
    std::string route = entryOf(kRouteModeNames, request->routeMode);
    for (char& c : route) c = lowerAscii(c);
    route += " route";
    for (std::size_t k = 0; k < request->relays.size(); ++k)
        route += (k == 0 ? " via " : " ") + hexWord(request->relays[k]);
    std::string data = count(request->data.size(), "data byte", "data bytes");
    for (std::size_t k = 0; k < request->data.size(); ++k)
        data += (k == 0 ? ": " : " ") + hexByte(request->data[k]);
    return "target " + std::to_string(request->target) + ", " + route +
           (request->ack ? ", ACK requested" : "") + ", jump " + std::to_string(request->jump) +
           ", " + data;
}

std::string routeListDetails(Bytes frame) {
    const std::optional<RouteList> list = decodeRouteList(frame);
    if (!list) return "cut short";
    return "local node " + list->localNode + ", " +
           count(list->routeNodes.size(), "route", "routes");
}

// "1 → 3 (-50) → 5 (-76)": each link value belongs to the node it leads to.
std::string pathDetails(Bytes frame) {
    const std::optional<PathList> path = decodePathList(frame);
    if (!path) return "cut short";
    std::string chain = path->pathNodes.front();
    for (std::size_t k = 0; k < path->linkValues.size(); ++k)
        chain += " → " + path->pathNodes[k + 1] + " (" + path->linkValues[k] + ")";
    return chain;
}

Words sendStatusWords(Bytes frame) {
    if (!fieldsPresent(frame, kSendStatusOffset, 1)) return {"Send status", "cut short"};
    const std::uint8_t status = frame[kSendStatusOffset];
    return {"Send status " + hexByte(status), std::string(statusText(status))};
}

Words requestWords(Bytes frame) {
    const std::uint8_t type = frame[kTypeOffset];
    const std::uint8_t code = frame[kCodeOffset];
    if (type == kTypeModule && code == kCmdWriteSetup) return {"Write setup", setupDetails(frame)};
    if (type == kTypeModule && code == kCmdReadSetup) return {"Read setup"};
    if (type == kTypeModule && code == kCmdReadRoute) return {"Read route list"};
    if (type == kTypeModule && code == kCmdReadPath) return {"Read path list"};
    if (type == kTypeNetData && code == kCmdSendData) return {"Send data", sendDataDetails(frame)};
    return {"Request " + hexByte(type) + " " + hexByte(code), "not one the tool sends"};
}

// By the dispatch code, as the window's dispatcher selects the handler.
Words replyWords(Bytes frame) {
    switch (const std::uint8_t code = dispatchCode(frame)) {
        case kReplySetupWritten:
            return {"Setup written"};
        case kReplySetup:
            return {"Setup reply", setupDetails(frame)};
        case kReplyRouteList:
            return {"Route list", routeListDetails(frame)};
        case kReplyPathList:
            return {"Path", pathDetails(frame)};
        case kReplySendStatus:
            return sendStatusWords(frame);
        case kReplyReceiveNotice:
            return {"Receive notice"};
        case kNotDispatched:
            return {"Frame type " + hexByte(frame[kTypeOffset]), "not a reply the tool reads"};
        default:
            return {"Reply " + hexByte(code), "not handled"};
    }
}

// Whole frames by their length bytes, each passing its own check, that fill the block exactly;
// empty when the block is not such a run of frames.
std::vector<Bytes> wholeFrames(Bytes block) {
    std::vector<Bytes> frames;
    while (!block.empty()) {
        if (block.size() < kHeaderSize + kCheckSize) return {};
        const std::size_t size = kHeaderSize + block[kLengthOffset] + kCheckSize;
        if (size > block.size() || !blockPassesCheck(block.first(size))) return {};
        frames.push_back(block.first(size));
        block = block.subspan(size);
    }
    return frames;
}

Words wordsOf(Bytes frame, Direction direction) {
    return direction == Direction::Sent ? requestWords(frame) : replyWords(frame);
}

}  // namespace

std::string describeFrames(Bytes block, Direction direction) {
    if (block.size() <= kCodeOffset) {
        return block.empty() ? "No bytes" : count(block.size(), "byte", "bytes") + ", no frame";
    }
    if (!blockPassesCheck(block)) {
        return "Check byte wrong: expected " + hexByte(xorOf(block.first(block.size() - 1))) +
               ", got " + hexByte(block.back());
    }
    if (const std::vector<Bytes> frames = wholeFrames(block); frames.size() > 1) {
        std::string names = std::to_string(frames.size()) + " frames";
        for (std::size_t k = 0; k < frames.size(); ++k) {
            std::string name = wordsOf(frames[k], direction).name;
            name[0] = lowerAscii(name[0]);
            names += (k == 0 ? ": " : ", ") + name;
        }
        return names;
    }
    const Words words = wordsOf(block, direction);
    return words.details.empty() ? words.name : words.name + ": " + words.details;
}

}  // namespace forms
