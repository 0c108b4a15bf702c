#include "Dispatch.h"

#include "ReplyEnd.h"

namespace proto {

std::vector<Bytes> wholeFramesIn(Bytes block) {
    std::vector<Bytes> frames;
    while (!block.empty()) {
        if (block.size() < kHeaderSize + kCheckSize) return {};
        if (block[kTypeOffset] != kTypeModule && block[kTypeOffset] != kTypeNetData) return {};
        const std::size_t size = receivedFrameSize(block);
        if (size > block.size() || !blockPassesCheck(block.first(size))) return {};
        frames.push_back(block.first(size));
        block = block.subspan(size);
    }
    return frames;
}

bool blockPassesCheck(Bytes block) {
    if (block.empty()) {
        return false;
    }
    return xorOf(block.first(block.size() - 1)) == block.back();
}

std::uint8_t dispatchCode(Bytes block) {
    // A block too short to hold a command code is no reply of either type.
    if (!blockPassesCheck(block) || block.size() <= kCodeOffset) {
        return kNotDispatched;
    }
    const std::uint8_t code = block[kCodeOffset];
    switch (block[kTypeOffset]) {
        case kTypeModule:
            return code;
        case kTypeNetData:
            return code == kCmdReceiveNotice ? kReplyReceiveNotice : kReplySendStatus;
        default:
            return kNotDispatched;
    }
}

bool fieldsPresent(Bytes block, std::size_t offset, std::size_t width) {
    // Written so that no sum can wrap: the field must end before the check byte.
    return !block.empty() && offset <= block.size() - 1 && width <= block.size() - 1 - offset;
}

}  // namespace proto
