#include "ReplyEnd.h"

#include "Dispatch.h"
#include "RouteList.h"
#include "SendData.h"
#include "Setup.h"

namespace proto {

std::optional<ExpectedReply> expectedReplyTo(Bytes request) {
    if (request.size() <= kCodeOffset) return std::nullopt;
    const std::uint8_t code = request[kCodeOffset];
    if (request[0] == kTypeNetData && code == kCmdSendData) return ExpectedReply{kReplySendStatus};
    if (request[0] != kTypeModule) return std::nullopt;
    switch (code) {
        case kCmdWriteSetup:
            return ExpectedReply{kReplySetupWritten, kSetupFrameSize};
        case kCmdReadSetup:
            return ExpectedReply{kReplySetup, kSetupFrameSize};
        case kCmdReadRoute:
            return ExpectedReply{kReplyRouteList, kRouteListReplySize};
        case kCmdReadPath:
            return ExpectedReply{kReplyPathList, kPathReplySize};
        default:
            return std::nullopt;
    }
}

bool replyComplete(const ExpectedReply& expected, Bytes received) {
    if (dispatchCode(received) != expected.dispatchCode) return false;
    return expected.size == 0 ? received.size() >= kSendConfirmationMinSize
                              : received.size() == expected.size;
}

}  // namespace proto
