#include <gtest/gtest.h>

#include "FrameDescription.h"
#include "HexBytes.h"
#include "MeshReplies.h"

namespace {

using forms::Direction;

struct DescriptionCase {
    const char* tag;
    Direction direction;
    proto::Frame block;
    const char* words;
};

class FrameDescription : public testing::TestWithParam<DescriptionCase> {};

TEST_P(FrameDescription, ReadsAsWords) {
    EXPECT_EQ(forms::describeFrames(GetParam().block, GetParam().direction), GetParam().words);
}

const DescriptionCase kCases[] = {
    {"ReadSetup", Direction::Sent,
     hexBytes("01 00 02 0D A5 A5 00 00 00 00 00 00 00 00 00 00 00 0E"), "Read setup"},
    {"ReadRouteList", Direction::Sent, hexBytes("01 00 03 00 02"), "Read route list"},
    {"ReadPathList", Direction::Sent, hexBytes("01 00 08 00 09"), "Read path list"},
    {"WriteSetup", Direction::Sent,
     hexBytes("01 00 01 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00 F7"),
     "Write setup: frequency 434.00 MHz, power 7, life cycle 1h, network id 1, node id 1, "
     "UART 9600 NO"},
    {"SetupReply", Direction::Received,
     hexBytes("01 00 82 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00 74"),
     "Setup reply: frequency 434.00 MHz, power 7, life cycle 1h, network id 1, node id 1, "
     "UART 9600 NO"},
    {"SendDataAuto", Direction::Sent, hexBytes("05 00 01 08 00 01 00 07 01 02 01 02 0A"),
     "Send data: target 1, auto route, jump 7, 2 data bytes: 01 02"},
    {"SendDataSource", Direction::Sent,
     hexBytes("05 00 01 0C 00 0A 00 03 03 02 00 05 00 06 01 AA A8"),
     "Send data: target 10, source route via 0005 0006, jump 3, 1 data byte: AA"},
    {"RouteList", Direction::Received, sim::routeListReply(sim::defaultMesh(), 1),
     "Route list: local node 1, 6 routes"},
    {"Path", Direction::Received,
     hexBytes("01 00 88 1B 00 00 01 4C 00 05 32 00 03 00 FF FF 00 FF FF 00 FF FF 00 FF FF "
              "00 FF FF 00 FF FF EB"),
     "Path: 1 → 3 (-50) → 5 (-76)"},
    {"PathCutShort", Direction::Received, hexBytes("01 00 88 1B 00 00 01 4C 00 05 DA"),
     "Path: cut short"},
    {"SendStatus", Direction::Received, hexBytes("05 00 81 03 00 0A C7 4A"),
     "Send status C7: Route not found."},
    {"ReceiveNotice", Direction::Received, hexBytes("05 00 82 03 00 0A 01 8F"), "Receive notice"},
    {"NoHandler", Direction::Received, hexBytes("01 00 85 00 84"), "Reply 85: not handled"},
    {"CheckByteWrong", Direction::Received, hexBytes("05 00 81 03 00 0A B1 3D"),
     "Check byte wrong: expected 3C, got 3D"},
    {"TwoFrames", Direction::Received,
     hexBytes("01 00 81 00 80 01 00 82 0D A5 A5 6C 80 12 07 00 00 01 00 01 03 00 74"),
     "2 frames: setup written, setup reply"},
    {"SingleZeroByte", Direction::Received, hexBytes("00"), "1 byte, no frame"},
};

INSTANTIATE_TEST_SUITE_P(WorkedFrames, FrameDescription, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.tag); });

}  // namespace
