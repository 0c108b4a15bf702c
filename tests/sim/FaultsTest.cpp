#include <gtest/gtest.h>

#include "Dispatch.h"
#include "Faults.h"
#include "Messages.h"
#include "ModuleModel.h"

namespace {

using sim::FaultKind;

proto::Frame setupReply() {
    sim::ModuleModel model(sim::defaultMesh());
    return *model.answer({sim::Received::Kind::kFrame, proto::encode(proto::ReadSetupRequest{})})
                .reply;
}

struct ShapeCase {
    FaultKind kind;
    std::size_t size;
    bool passesCheck;
    bool setupDecodes;
};

class FaultShape : public testing::TestWithParam<ShapeCase> {};

TEST_P(FaultShape, SpoilsTheReplyAsNamed) {
    const proto::Frame reply = setupReply();
    sim::FaultInjector faults({GetParam().kind, 1});
    const sim::ShapedReply shaped = faults.shape(reply);
    EXPECT_EQ(shaped.fault, GetParam().kind);
    EXPECT_EQ(shaped.bytes.size(), GetParam().size);
    if (shaped.bytes.empty()) return;
    EXPECT_EQ(proto::blockPassesCheck(shaped.bytes), GetParam().passesCheck);
    EXPECT_EQ(proto::setupValuesIn(shaped.bytes).has_value(), GetParam().setupDecodes);
    // Every shape but the bad check byte keeps the reply's own bytes where they stand.
    const std::size_t offset = GetParam().kind == FaultKind::kGarbage ? 4 : 0;
    const std::size_t kept = GetParam().kind == FaultKind::kShort ? shaped.bytes.size() - 1 : 17;
    EXPECT_TRUE(std::equal(reply.begin(), reply.begin() + kept, shaped.bytes.begin() + offset));
}

INSTANTIATE_TEST_SUITE_P(Kinds, FaultShape,
                         testing::Values(ShapeCase{FaultKind::kNone, 18, true, true},
                                         ShapeCase{FaultKind::kBadCheck, 18, false, true},
                                         ShapeCase{FaultKind::kShort, 9, true, false},
                                         ShapeCase{FaultKind::kSilence, 0, false, false},
                                         ShapeCase{FaultKind::kGarbage, 22, false, true}),
                         [](const auto& info) {
                             std::string name(sim::faultName(info.param.kind));
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(FaultInjector, HitsEveryNthReplyOnly) {
    sim::FaultInjector faults({FaultKind::kSilence, 3});
    const proto::Frame reply = setupReply();
    std::vector<int> hit;
    for (int i = 1; i <= 7; ++i) {
        if (faults.shape(reply).bytes.empty()) hit.push_back(i);
    }
    EXPECT_EQ(hit, (std::vector<int>{3, 6}));
}

TEST(FaultInjector, ShortConfirmationLacksItsSendStatus) {
    sim::FaultInjector faults({FaultKind::kShort, 1});
    const proto::Frame confirmation =
        proto::buildFrame(proto::kTypeNetData, 0x81, {{0x00, 0x01, 0x00}});
    const auto shaped = faults.shape(confirmation).bytes;
    EXPECT_TRUE(proto::blockPassesCheck(shaped));
    EXPECT_FALSE(proto::fieldsPresent(shaped, 6, 1));
}

}  // namespace
