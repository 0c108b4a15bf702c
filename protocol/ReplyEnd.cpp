#include "ReplyEnd.h"

#include "Messages.h"

namespace proto {

std::optional<ExpectedReply> expectedReplyTo(Bytes request) {
    if (request.size() <= kCodeOffset) return std::nullopt;
    const std::uint8_t code = request[kCodeOffset];
    if (request[kTypeOffset] == kTypeNetData && code == kCmdSendData)
        return ExpectedReply{kReplySendStatus};
    if (request[kTypeOffset] != kTypeModule) return std::nullopt;
    switch (code) {
        case kCmdWriteSetup:
            return ExpectedReply{kReplySetupWritten};
        case kCmdReadSetup:
            return ExpectedReply{kReplySetup};
        case kCmdReadRoute:
            return ExpectedReply{kReplyRouteList};
        case kCmdReadPath:
            return ExpectedReply{kReplyPathList};
        default:
            return std::nullopt;
    }
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
