#include "ReplyEnd.h"

#include "Dispatch.h"
#include "Messages.h"

namespace proto {

std::optional<ExpectedReply> expectedReplyTo(Bytes request) {
    if (request.size() <= kCodeOffset) return std::nullopt;
    const std::uint8_t code = request[kCodeOffset];
    if (request[kTypeOffset] == kTypeNetData && code == kCmdSendData)
        return ExpectedReply{kTypeNetData, kReplySendStatus};
    if (request[kTypeOffset] != kTypeModule) return std::nullopt;
    switch (code) {
        case kCmdWriteSetup:
            return ExpectedReply{kTypeModule, kReplySetupWritten};
        case kCmdReadSetup:
            return ExpectedReply{kTypeModule, kReplySetup};
        case kCmdReadRoute:
            return ExpectedReply{kTypeModule, kReplyRouteList};
        case kCmdReadPath:
            return ExpectedReply{kTypeModule, kReplyPathList};
        default:
            return std::nullopt;
    }
}

bool opensExpectedReply(const ExpectedReply& expected, Bytes head) {
    if (head[kTypeOffset] != expected.type) return false;
    if (head.size() <= kCodeOffset) return true;
    // The dispatch code follows from type and code alone, of a block whose check holds.
    Frame header(head.begin(), head.begin() + kCodeOffset + 1);
    header.push_back(xorOf(header));
    return dispatchCode(header) == expected.dispatchCode;
}

std::size_t receivedFrameSize(Bytes header) {
    if (header[kTypeOffset] == kTypeModule) {
        switch (header[kCodeOffset]) {
            case kReplySetup:
                return kSetupFrameSize;
            case kReplyRouteList:
                return kRouteListReplySize;
            case kReplyPathList:
                return kPathReplySize;
            default:
                break;
        }
    }
    return frameSize(header[kLengthOffset]);
}

}  // namespace proto
